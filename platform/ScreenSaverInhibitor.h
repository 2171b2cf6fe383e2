#pragma once
// Keeps the desktop's screen saver and screen blanking away while something is being watched.
// The owner says what it wants (setInhibited); this object asks the desktop over the session
// bus and lets go again, never waiting for an answer on the calling thread.
//
// The freedesktop ScreenSaver service is asked first; where it is missing (GNOME, a sandbox)
// the desktop portal's Inhibit is used. Without a bus or either service nothing happens and
// nothing is reported: a screen that blanks is no reason to bother the user. A release asked
// for while the desktop has not yet answered the request is carried out when the answer comes.

#include <QObject>
#include <QString>

class LMRScreenSaverInhibitor : public QObject
{
    Q_OBJECT
public:
    explicit LMRScreenSaverInhibitor(QObject *parent = nullptr);
    // Lets go of a held inhibition (the bus would drop it with the connection anyway).
    ~LMRScreenSaverInhibitor() override;

    // reason is shown by desktops that list who keeps the screen awake.
    void setInhibited(bool inhibited, const QString &reason = QString());
    bool isInhibited() const { return m_wanted; }
    // Whether the desktop has granted the inhibition and it is still held.
    bool isHeld() const { return m_held != Held::None; }

    // The bus connection to use, by its Qt connection name; empty (the default) is the session
    // bus. Tests point it at a private bus.
    void setBusConnectionName(const QString &name);

signals:
    // The desktop granted the inhibition, or it was released.
    void heldChanged(bool held);

private:
    enum class Held { None, ScreenSaver, Portal };
    void update();
    void request();
    void requestFromPortal();
    void release();
    void granted(Held how, quint32 cookie, const QString &handle);

    QString m_connectionName;
    QString m_reason;
    bool m_wanted = false;
    // A request is on its way; its answer decides what happens next.
    bool m_pending = false;
    Held m_held = Held::None;
    quint32 m_cookie = 0;
    QString m_portalHandle;
};
