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

    // Gives every widget of the application a palette of the appearance of this moment: a dark
    // one while the appearance is dark and the platform's palette is light (Qt 6.4 does not
    // follow the desktop's colour scheme, so menus, toolbar and sidebar would stay light), a
    // light one in the opposite case, and the platform's own whenever it already matches.
    // Widgets repaint on the change. Main thread.
    static void applyApplicationPalette();

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
