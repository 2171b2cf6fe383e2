#pragma once
// The developer's statistics window, made only when DEBUG is "1". Other parts report to the
// shared instance from any thread; while no debug window exists sharedInstance() is null and
// a report costs one load of a pointer. The setters format on the calling thread and hand
// the text to the main thread without waiting.

#include <QObject>
#include <atomic>

class QWidget;
class QLabel;

class DebugWindowController : public QObject
{
    Q_OBJECT
public:
    DebugWindowController();
    ~DebugWindowController() override;

    // Null until a debug window has loaded.
    static DebugWindowController *sharedInstance();

    // Builds the window (on first call), installs the shared instance, shows it.
    void showWindow();
    QWidget *window() const { return m_window; }

    void setCacheCount(qint64 count, qint64 limit);   // "%zd of %zd"
    void setContentItemsCount(qint64 count);         // "%zd"
    void setDrawnLastDrawRectCount(qint64 count);    // "%zd"
    void setPendingImageLoadsCount(qint64 count);    // "%zd"
    void logBreak();                                 // "--" to the log

    // The texts on show, for tests.
    QString cacheCountText() const;
    QString itemsCountText() const;
    QString drawnLastDrawRectCountText() const;
    QString pendingImageLoadsCountText() const;

private:
    void windowDidLoad();
    void setFieldText(QLabel *field, const QString &text);

    QWidget *m_window = nullptr;
    QLabel *m_cacheCountTextField = nullptr;
    QLabel *m_itemsCountTextField = nullptr;
    QLabel *m_drawnLastDrawRectCountTextField = nullptr;
    QLabel *m_pendingImageLoadsCountTextField = nullptr;
    static std::atomic<DebugWindowController *> s_shared;
};
