#pragma once
// Whether the desktop runs a dark or a light appearance, answered in one place for every part
// that picks artwork or colours, and the broadcast of a switch (LMRNotifications::
// AppearanceChanged on the default notification centre, posted on the main thread).
//
// isDarkMode is asked while painting, so it never waits: the desktop's settings portal is read
// once, with a short timeout, and kept current from its change signal. Without a session bus
// the application palette answers alone. LUMORY_APPEARANCE=dark|light overrides both.

#include <QString>
#include <QVariant>

class LMRSystemAppearance
{
public:
    static bool isDarkMode();

    // Follows the portal's change signal and the application's theme and palette changes;
    // posts the broadcast when the answer changed. Call once on the main thread; later calls
    // do nothing.
    static void startObservingDesktop();

    // Where the portal's SettingChanged signal lands (namespace, key, value as sent).
    static void portalSettingChanged(const QString &nameSpace, const QString &key,
                                     const QVariant &value);

    // The portal's colour-scheme answer as if read from the bus: 0 none, 1 prefer dark,
    // 2 prefer light; -1 stands for "no portal".
    static void setPortalColorSchemeForTesting(int scheme);
};
