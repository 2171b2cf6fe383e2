#pragma once
// The one place where the user's settings live: typed accessors over the application's
// QSettings store, the registered defaults that answer absent keys, and the change
// notifications the views follow. It keeps no copy of any stored value: every getter reads the
// store, every setter writes and syncs before it notifies, so a handler of a change
// notification already reads the new value (during a gesture the write waits for its end, see
// holdWrites). Getters may be called from any thread.
//
// It does not decide what a setting means to the views; callers of the setters that post
// nothing update their views themselves.

#include <QColor>
#include <QMutex>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class Preferences
{
public:
    static Preferences &sharedInstance();

    // The registered defaults, colours chosen by the appearance of this moment.
    QVariantMap defaults() const;

    QColor backgroundColor() const;
    void setBackgroundColor(const QColor &color);
    QColor labelColor() const;
    void setLabelColor(const QColor &color);
    QColor selectionColor() const;
    void setSelectionColor(const QColor &color);
    // Store the current appearance's default explicitly and post, even when nothing changes.
    void resetBackgroundColor();
    void resetLabelColor();
    void resetSelectionColor();

    // The stored root folder as an absolute path, or empty. A folder that no longer exists is
    // forgotten silently; one replaced by another folder under the same path is taken and its
    // record rewritten; other failures are shown to the user.
    QString defaultRootFolder();
    // Records the folder with its identity; a folder that cannot be examined is shown to the
    // user and nothing is stored.
    void setDefaultRootFolder(const QString &folderPath);

    // 0 = the folder alone, -1 = every level below it; any positive stored value reads as -1.
    qint64 folderDepth() const;
    void setFolderDepth(qint64 depth);
    // Thumbnails read from and written to the desktop's shared thumbnail cache. Read by the
    // loading workers for each render; a change needs nothing else to follow it.
    bool diskThumbnails() const;
    void setDiskThumbnails(bool on);
    bool highQualityThumbnails() const;
    void setHighQualityThumbnails(bool on);
    bool includePDFs() const;
    void setIncludePDFs(bool on);
    bool includeVideos() const;
    void setIncludeVideos(bool on);
    qint64 intZoomValue() const;
    void setIntZoomValue(qint64 zoom);
    bool showBottomBar() const;
    void setShowBottomBar(bool on);
    bool showFilenames() const;
    void setShowFilenames(bool on);
    bool showSidebar() const;
    void setShowSidebar(bool on);
    qint64 sidebarSortBy() const;
    void setSidebarSortBy(qint64 sortBy);
    qint64 sidebarSortOrder() const;
    void setSidebarSortOrder(qint64 sortOrder);
    qint64 thumbnailSortBy() const;
    void setThumbnailSortBy(qint64 sortBy);
    qint64 thumbnailSortOrder() const;
    void setThumbnailSortOrder(qint64 sortOrder);
    float slideshowPacing() const;
    void setSlideshowPacing(float seconds);
    // The video player's loudness as the volume slider shows it, from 0 (silent) to 1 (full),
    // on a perceived scale; and whether sound is muted. Kept from one clip and one run to the next.
    float videoVolume() const;
    void setVideoVolume(float volume);
    bool videoMuted() const;
    void setVideoMuted(bool muted);

    static bool isDebugModeEnabled();
    static QStringList supportedVideoUTIs();

    // Other stored state (the split view's "MainSplitView"). storedValue/setStoredValue take the
    // lock themselves; whoever uses settings() directly must hold settingsMutex() meanwhile.
    QVariant storedValue(const QString &key) const;
    void setStoredValue(const QString &key, const QVariant &value);
    QSettings &settings();
    QMutex &settingsMutex() const { return m_mutex; }

    // A gesture (a divider dragged, a colour dialog open, a slider pulled) sets a value many
    // times a second. While a hold lives, setters keep their values in memory: getters answer
    // them and notifications go out as usual, but nothing is written or flushed until the last
    // hold ends, when everything held is written at once.
    using WriteHold = std::shared_ptr<void>;
    WriteHold holdWrites();
    // Writes what holds still keep (at exit, where no hold will end).
    void writeHeldValues();

    // How failures of the root-folder record reach the user. The default shows an
    // application-modal message box; tests install a collector. Returns the previous one.
    using AlertHandler = std::function<void(const QString &text)>;
    static AlertHandler setAlertHandler(AlertHandler handler);

    // Removes every stored key and registers the defaults again for the appearance of this
    // moment, as a fresh start of the program would.
    void clearForTesting();

private:
    Preferences();
    Preferences(const Preferences &) = delete;
    Preferences &operator=(const Preferences &) = delete;

    QVariant value(const QString &key) const;
    void write(const QString &key, const QVariant &value, const QString &notification = {});
    QColor colorValue(const QString &key) const;
    void setColorValue(const QString &key, const QColor &color, const QString &notification);
    void resetColor(const QString &key, void (Preferences::*setter)(const QColor &));
    bool boolValue(const QString &key) const;
    qint64 integerValue(const QString &key) const;
    static void alert(const QString &text);

    // Under m_mutex.
    void writeHeldValuesLocked();

    mutable QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_registered;
    int m_holds = 0;
    QVariantMap m_held;
};
