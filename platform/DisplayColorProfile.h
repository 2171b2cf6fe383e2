#pragma once
// LMRDisplayColorProfile: the colour profile the desktop publishes for the display, kept in
// force for every decode (LMRColorManagement's output) and followed while the program runs.
// On X11 colour-management daemons put the profile of the first screen into the root window's
// _ICC_PROFILE property; a change of that property is seen here at once. Elsewhere (Wayland,
// offscreen) there is no such property and the output stays sRGB.
//
// It does not decode anything again itself: it says profileChanged, and the owner throws away
// what was converted for the previous profile.

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QObject>

class LMRDisplayColorProfile : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // Reads the profile at once and watches for changes (on the main thread).
    explicit LMRDisplayColorProfile(QObject *parent = nullptr);
    ~LMRDisplayColorProfile() override;

    QByteArray profile() const { return m_profile; }

signals:
    void profileChanged();

protected:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    void reload();
    QByteArray readProfile() const;

    QByteArray m_profile;
    void *m_connection = nullptr;   // the X connection Qt holds, when on X11
    quint32 m_root = 0;
    quint32 m_atom = 0;
    bool m_reloadQueued = false;
};
