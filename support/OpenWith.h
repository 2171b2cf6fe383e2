#pragma once
// What the grid's and the viewer's context menus share about opening files with another
// application: finding the menu's open-with submenu, and a launch whose failure is told to the
// user (the desktop itself says nothing when a launch fails).

#include <QString>
#include <QStringList>

class QMenu;
class QWidget;

// The submenu of the entry whose data is -1; null when the menu has none.
QMenu *LMROpenWithSubmenu(QMenu *menu);

// Opens the files with the application; on failure shows the reason modal to window.
void LMROpenFilesWithApplication(QWidget *window, const QString &applicationIdentifier,
                                 const QStringList &paths);
