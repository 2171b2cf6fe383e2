#pragma once
// The main window and its content view. The window reports what its delegate follows (resizes,
// moves, full screen) and ends the program when it is closed. The content view places the split view
// and the bottom bar itself, so that attaching or detaching the bar moves the split view exactly
// once and a resize keeps both where they belong.

#include <QMainWindow>
#include <QPointer>
#include <QSplitter>

class BottomBarView;
class QSplitter;

// Puts replacement in pane's place in the split view, with pane's width and stretch, and hides
// the pane (detached, it would otherwise show as a window of its own). False when pane is not
// in the split view.
bool LMRReplaceSplitViewPane(QSplitter *splitView, QWidget *pane, QWidget *replacement);

// The split view of the sidebar and the grid or viewer. Its dividers tell when the user takes
// one and lets it go, so that what a drag changes is stored once, when it ends.
class LMRSplitView : public QSplitter
{
    Q_OBJECT
public:
    using QSplitter::QSplitter;

signals:
    void dividerDragStarted();
    void dividerDragFinished();

protected:
    QSplitterHandle *createHandle() override;
};

class MainContentView : public QWidget
{
    Q_OBJECT
public:
    explicit MainContentView(QWidget *parent = nullptr);

    void setSplitView(QWidget *splitView);
    void setBottomBar(BottomBarView *bar);

    // The split view's place: above the bar while the bar is attached, everything otherwise.
    static QRect splitViewFrame(const QSize &contentSize, bool bottomBarShown);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointer<QWidget> m_splitView;
    QPointer<BottomBarView> m_bottomBar;
};

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

signals:
    void resized();
    void enteredFullScreen();
    void exitedFullScreen();
    // Moved, resized, maximised or restored: what the next start should bring back changed.
    void geometryChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
