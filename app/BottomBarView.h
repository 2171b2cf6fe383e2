#pragma once
// The 34-point bar along the bottom of the main window. It shows one of two sub-bars: the
// thumbnail controls with the grid, the viewer's controls with the full-size view. Hidden, it
// is detached from the window altogether and keeps its current sub-bar, so that showing it
// later shows the controls of whatever the content pane holds by then.
//
// It owns both sub-bars whichever is in place. It does not move the split view: the caller does
// that, and only when show() or hide() answered that something changed, so that a repeated
// command never shifts the layout.
//
// show() and hide() hide QWidget's functions of the same names on purpose: here they mean
// "attach to the window" and "detach from it".

#include <QPointer>
#include <QWidget>

class AppDelegate;

class BottomBarView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHeight = 34;

    explicit BottomBarView(QWidget *contentView);
    ~BottomBarView() override;

    // Attaches the bar to the content view's bottom edge; false when it was already there.
    bool show();
    // Detaches the bar; false when it was not attached.
    bool hide();
    bool isShown() const;

    void showBottomBarForThumbnails();
    void showBottomBarForFullSizeView();

    // The bar's place in a content view of the given size.
    static QRect frameInContentView(const QSize &contentSize);

    // Outlets.
    QPointer<AppDelegate> appDelegate;
    QPointer<QWidget> mainWindow;                 // the content view the bar lives in
    QPointer<QWidget> bottomBarViewForThumbnails;
    QPointer<QWidget> bottomBarViewForFullSize;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showSubBar(QWidget *wanted, QWidget *other);
};
