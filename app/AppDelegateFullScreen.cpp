// Full screen: the main window alone on its screen, showing the grid or the viewer on the
// background colour and nothing else. The menu bar, the toolbar, the sidebar and the bottom bar
// step aside while it lasts and come back as they were. Nothing here writes a setting, so
// however full screen ends (F11, Escape, the window manager) the stored layout is untouched.
//
// The chrome follows the window's real state (windowDidEnterFullScreen/windowDidExitFullScreen),
// not the command, because the window manager may grant or end full screen on its own.

#include "app/AppDelegate.h"

#include "app/BottomBarView.h"
#include "app/MainWindow.h"
#include "viewer/FullSizeView.h"

#include <QAction>
#include <QMenuBar>
#include <QSplitter>

namespace {
// F11 is the desktop's full-screen key; Escape leaves full screen only while in it, and
// otherwise reaches the viewer or the grid as before.
const QKeySequence kToggleKey(Qt::Key_F11);
const QKeySequence kLeaveKey(Qt::Key_Escape);
} // namespace

void AppDelegate::toggleFullScreen(QObject *)
{
    if (!window)
        return;
    if (window->isFullScreen()) {
        if (m_windowStateBeforeFullScreen & Qt::WindowMaximized)
            window->showMaximized();
        else
            window->showNormal();
        return;
    }
    m_windowStateBeforeFullScreen = window->windowState();
    window->showFullScreen();
}

bool AppDelegate::isInFullScreen() const
{
    return window && window->isFullScreen();
}

void AppDelegate::windowDidEnterFullScreen()
{
    if (m_fullScreenChrome.hidden)
        return;
    m_fullScreenChrome = {};
    m_fullScreenChrome.hidden = true;
    if (QMenuBar *bar = window ? window->menuBar() : nullptr) {
        m_fullScreenChrome.menuBar = !bar->isHidden();
        bar->hide();
    }
    if (toolbar) {
        m_fullScreenChrome.toolbar = !toolbar->isHidden();
        toolbar->hide();
    }
    if (bottomBarView) {
        m_fullScreenChrome.bottomBar = bottomBarView->isShown();
        hideBottomBar();
    }
    // The sidebar stays in the split view, only hidden; the divider goes back where it was.
    if (splitView)
        m_fullScreenChrome.splitSizes = splitView->sizes();
    for (QWidget *pane : {sidebarView.data(), sidebarOpenFolderPromptView.data()}) {
        if (pane && splitView && splitView->indexOf(pane) >= 0)
            pane->hide();
    }
    if (fullSizeView)
        fullSizeView->setShowsPathLabel(false);
    if (fullScreenMenuItem) {
        fullScreenMenuItem->setShortcuts({kToggleKey, kLeaveKey});
        fullScreenMenuItem->setText(tr("Exit Full Screen"));
    }
}

void AppDelegate::windowDidExitFullScreen()
{
    if (!m_fullScreenChrome.hidden)
        return;
    const FullScreenChrome shown = m_fullScreenChrome;
    m_fullScreenChrome = {};
    if (QMenuBar *bar = window ? window->menuBar() : nullptr)
        bar->setVisible(shown.menuBar);
    if (toolbar)
        toolbar->setVisible(shown.toolbar);
    if (shown.bottomBar)
        showBottomBar();
    // Whatever pane is in the sidebar's place now is the one to show: a folder opened meanwhile
    // may have replaced the prompt.
    for (QWidget *pane : {sidebarView.data(), sidebarOpenFolderPromptView.data()}) {
        if (pane && splitView && splitView->indexOf(pane) >= 0)
            pane->show();
    }
    if (splitView && splitView->count() == shown.splitSizes.size())
        splitView->setSizes(shown.splitSizes);
    if (fullSizeView)
        fullSizeView->setShowsPathLabel(true);
    if (fullScreenMenuItem) {
        fullScreenMenuItem->setShortcuts({kToggleKey});
        fullScreenMenuItem->setText(tr("Enter Full Screen"));
    }
}
