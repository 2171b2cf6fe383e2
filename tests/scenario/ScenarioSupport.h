#pragma once
// Scenarios drive the real main window as a user does: a folder of real files made for the
// test, the window built by AppDelegate on fresh settings, and only input a user gives (clicks
// and keys on the widgets on show, menu items chosen by their titles, files dropped from
// another application). They judge only what a user sees: the pane on show and its place, the
// highlighted items, the viewer's path label, the count label, the Trash and the files on disk.
//
// The whole test program lives in a private home (settings, data, Trash), set up before main.

#include "app/AppDelegate.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

#include <memory>

namespace scenario {

// A file of a scenario folder, and how many minutes before now it was last modified.
struct File {
    QString name;
    int minutesOld = 0;
};

// The everyday folder: five images of five formats, a video, and a sub-folder holding one more
// image. By name: a b c d e z; by modification date: z c e a d b.
QList<File> everydayFiles();

class Window
{
public:
    // A fresh installation: settings cleared, the real main window built, shown and active.
    Window();
    ~Window();

    AppDelegate &app() { return *m_app; }
    // A new folder of the given files (and the sub-folder "sub" with "sub.png").
    QString makeFolder(const QList<File> &files = everydayFiles());
    QString folder() const { return m_folder; }

    // --- What the user does
    // Opens a folder as `lumory FOLDER` does and waits until the busy indicator stops with
    // the given count on the label.
    void open(const QString &folder, int expectedCount);
    void clickItem(const QString &name, Qt::KeyboardModifiers modifiers = {});
    void doubleClickItem(const QString &name);
    // A key on whatever has the keyboard focus.
    void press(int key, Qt::KeyboardModifiers modifiers = {});
    // Opens the menus along "View > Sort Thumbnails > Descending" and chooses the last entry;
    // false when it is missing or disabled as its menu opens.
    bool choose(const QString &menuPath);
    // Files of another application dropped onto the grid.
    void dropOnGrid(const QStringList &paths);
    // Lets every posted event and layout pass of the moment run.
    static void settle();

    // --- What the user sees
    bool viewerShown() const;
    // The file name at the end of the viewer's path label.
    QString viewerFile() const;
    QStringList selectedNames() const;
    QString countText() const;
    // Whether the busy indicator turns: the folder is still being listed.
    bool busy() const;
    // Files of the current folder now in the Trash, and what Reveal asked the file manager for.
    QStringList trashedNames() const;
    QStringList revealedNames() const { return m_revealed; }
    bool onDisk(const QString &name) const;

private:
    // Where the item of that name is clicked, scrolled into view; off the grid when it is missing.
    QPoint itemPoint(const QString &name);

    std::unique_ptr<AppDelegate> m_app;
    QTemporaryDir m_dir;
    QString m_folder;
    QStringList m_revealed;
    int m_folders = 0;
};

} // namespace scenario
