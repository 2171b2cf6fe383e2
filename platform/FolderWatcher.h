#pragma once
// Follows what others do to a set of folders: names created, written, changed or moved in, names
// deleted or moved away, and a watched folder itself going. It reports paths only and never
// reads a file: what a change means is for the receiver to find out, once things settle.
// Events arrive on the thread that made the watcher, through its event loop (Linux: inotify).
//
// The system allows each user a limited number of watches. When it is reached the watcher logs
// it once and refuses further folders until unwatchAll(); nothing else fails.

#include <QHash>
#include <QObject>
#include <QString>

class QSocketNotifier;

class LMRFolderWatcher : public QObject
{
    Q_OBJECT
public:
    explicit LMRFolderWatcher(QObject *parent = nullptr);
    ~LMRFolderWatcher() override;

    // False when the folder is not watched: no such folder, or the watch limit reached.
    bool watch(const QString &folder);
    // Stops watching folder and every watched folder below it.
    void unwatchTree(const QString &folder);
    void unwatchAll();
    bool isWatching(const QString &folder) const { return m_wdByFolder.contains(folder); }
    int watchCount() const { return int(m_wdByFolder.size()); }
    bool limitReached() const { return m_limitReached; }

    // Tests: act as if the system allowed only this many watches to this process (0: no
    // limit but the system's).
    static void setWatchLimitForTesting(int limit);

    // What happened to a name: written to (and still open), closed after writing, or anything
    // else that may have changed it (created, moved in, attributes).
    enum class Change { Written, Closed, Other };

signals:
    // path is folder/name of a watched folder; isDirectory says what the name is.
    void entryChanged(const QString &path, bool isDirectory, LMRFolderWatcher::Change change);
    void entryRemoved(const QString &path, bool isDirectory);
    // A watched folder was deleted or moved away; it is no longer watched.
    void folderRemoved(const QString &folder);
    // The system dropped events: anything in the watched folders may have changed.
    void eventsLost();

private:
    void readEvents();
    void forget(int wd);

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QHash<int, QString> m_folderByWd;
    QHash<QString, int> m_wdByFolder;
    bool m_limitReached = false;
};
