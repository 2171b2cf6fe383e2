#pragma once
// The desktop's applications for a file type: which ones can open it, and opening files with one
// of them. The program only ever needs a menu of names and icons and "open these files with that
// one", so that is all this says; the desktop's default application and the choice of another
// application are left to the file manager.
//
// GUI thread only (icons are made here). Without GIO the list is always empty and launching fails.

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QMenu;

struct LMRApplicationInfo {
    QString identifier; // the desktop file id ("org.example.Viewer.desktop"), stable across runs
    QString displayName;
    QIcon icon; // may be null when the desktop's icon theme has none of the entry's names
};

// Whether this build can list and launch applications at all.
bool LMRCanOpenWithApplications();

// Every application registered for the MIME type that the desktop would show, sorted by display
// name in the user's locale. An empty or unknown type gives an empty list.
QList<LMRApplicationInfo> LMRApplicationsForType(const QString &mimeType);

// Opens all the files with the application in one launch, so an application that takes several
// files gets them together. False with a reason in *error (when given) on any failure.
bool LMRLaunchApplication(const QString &identifier, const QStringList &filePaths, QString *error);

// Empties the menu and fills it with one entry per application for the type: the display name,
// the icon at 16 x 16, the identifier as the action's data. Choosing an entry calls onChosen with
// the identifier. Nothing else is added: no separator, no "other application" entry.
void LMRPopulateOpenWithMenu(QMenu *menu, const QString &mimeType,
                             std::function<void(const QString &identifier)> onChosen);
