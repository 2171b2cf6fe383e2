#include "app/MainWindow.h"

#include "app/AppDelegate.h"
#include "app/BottomBarView.h"
#include "app/BusyIndicator.h"
#include "grid/ImageCollectionView.h"
#include "prefs/Preferences.h"
#include "sidebar/OutlineView.h"
#include "support/ClickableImageView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

namespace {
const QString kWindowGeometryKey = QStringLiteral("MainWindowGeometry");

// A combo box takes a wheel turn over it as a choice of the next entry: over the history that
// would go back and drop every later entry. Only a deliberate choice changes the root.
class HistoryPopUpButton : public QComboBox
{
public:
    using QComboBox::QComboBox;

protected:
    void wheelEvent(QWheelEvent *event) override { event->ignore(); }
};
} // namespace

// --- LMRSplitView

namespace {

class SplitViewHandle : public QSplitterHandle
{
public:
    SplitViewHandle(Qt::Orientation orientation, LMRSplitView *parent)
        : QSplitterHandle(orientation, parent), m_view(parent)
    {
    }
    // A handle taken away in the middle of a drag still ends it.
    ~SplitViewHandle() override { finish(); }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && !m_dragging) {
            m_dragging = true;
            emit m_view->dividerDragStarted();
        }
        QSplitterHandle::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QSplitterHandle::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton)
            finish();
    }

private:
    void finish()
    {
        if (m_dragging && m_view) {
            m_dragging = false;
            emit m_view->dividerDragFinished();
        }
    }

    QPointer<LMRSplitView> m_view;
    bool m_dragging = false;
};

} // namespace

QSplitterHandle *LMRSplitView::createHandle()
{
    return new SplitViewHandle(orientation(), this);
}

// --- MainContentView

MainContentView::MainContentView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("contentView"));
}

void MainContentView::setSplitView(QWidget *splitView)
{
    m_splitView = splitView;
}

void MainContentView::setBottomBar(BottomBarView *bar)
{
    m_bottomBar = bar;
}

QRect MainContentView::splitViewFrame(const QSize &contentSize, bool bottomBarShown)
{
    if (!bottomBarShown)
        return QRect(QPoint(0, 0), contentSize);
    return QRect(0, 0, contentSize.width(), qMax(0, contentSize.height() - BottomBarView::kHeight));
}

void MainContentView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const bool barShown = m_bottomBar && m_bottomBar->parentWidget() == this;
    if (barShown)
        m_bottomBar->setGeometry(BottomBarView::frameInContentView(size()));
    if (m_splitView && m_splitView->parentWidget() == this)
        m_splitView->setGeometry(splitViewFrame(size(), barShown));
}

bool LMRReplaceSplitViewPane(QSplitter *splitView, QWidget *pane, QWidget *replacement)
{
    const int index = splitView->indexOf(pane);
    if (index < 0)
        return false;
    // The splitter keeps a stretch per widget and shares out the width again at its next
    // layout: a pane that arrived without the old one's stretch and size would be sized by
    // whatever it had last, or squeezed against the sidebar.
    const QList<int> sizes = splitView->sizes();
    const int stretch = pane->sizePolicy().horizontalStretch();
    splitView->replaceWidget(index, replacement);
    // Detached now; hidden so that it never shows as a window of its own. The replacement is
    // shown first: the splitter gives a hidden pane no width.
    replacement->show();
    pane->hide();
    splitView->setStretchFactor(index, stretch);
    splitView->setSizes(sizes);
    return true;
}

// --- MainWindow

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainWindow"));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    emit resized();
    emit geometryChanged();
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    emit geometryChanged();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    emit geometryChanged();
    const bool wasFullScreen = static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowFullScreen;
    if (isFullScreen() && !wasFullScreen)
        emit enteredFullScreen();
    else if (!isFullScreen() && wasFullScreen)
        emit exitedFullScreen();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A Linux desktop has no dock icon to bring a closed window back from, so closing the one
    // main window ends the program, even while the debug window is open.
    event->accept();
    QCoreApplication::quit();
}

// --- The window's widget tree, built once before start-up

void AppDelegate::buildMainWindow()
{
    window = new MainWindow;
    window->setWindowTitle(QStringLiteral("Lumory"));
    window->resize(1200, 780);
    window->setMinimumSize(560, 360);
    restoreWindowGeometry();

    contentView = new MainContentView(window);
    window->setCentralWidget(contentView);

    // The panes belong to no one until start-up puts them into the split view; a pane that is
    // not in it stays detached (and is deleted by the destructor).
    // The open-folder prompt stands in the sidebar's place until a folder is open.
    auto *prompt = new QWidget;
    prompt->setObjectName(QStringLiteral("sidebarOpenFolderPromptView"));
    {
        auto *layout = new QVBoxLayout(prompt);
        layout->addStretch(1);
        auto *label = new QLabel(tr("No folder open"), prompt);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        auto *hint = new QLabel(tr("Open a folder to browse its images."), prompt);
        hint->setAlignment(Qt::AlignCenter);
        hint->setWordWrap(true);
        auto *button = new QPushButton(tr("Open Folder…"), prompt);
        button->setObjectName(QStringLiteral("openFolderButton"));
        connect(button, &QPushButton::clicked, this, [this, button] { openDocument(button); });
        layout->addWidget(label);
        layout->addWidget(hint);
        layout->addSpacing(8);
        layout->addWidget(button, 0, Qt::AlignHCenter);
        layout->addStretch(2);
    }
    sidebarOpenFolderPromptView = prompt;

    auto *sidebar = new QWidget;
    sidebar->setObjectName(QStringLiteral("sidebarView"));
    {
        auto *layout = new QVBoxLayout(sidebar);
        layout->setContentsMargins(4, 4, 0, 0);
        layout->setSpacing(4);
        sidebarNavPopUpButton = new HistoryPopUpButton(sidebar);
        sidebarNavPopUpButton->setObjectName(QStringLiteral("sidebarNavPopUpButton"));
        sidebarNavPopUpButton->setAccessibleName(tr("Recent folders"));
        sidebarNavPopUpButton->setToolTip(tr("Folders opened before"));
        // Out of the tab chain, which loops between the list and the grid or viewer.
        sidebarNavPopUpButton->setFocusPolicy(Qt::ClickFocus);
        connect(sidebarNavPopUpButton, &QComboBox::activated, this,
                [this] { didChangeSidebarNavPopUp(sidebarNavPopUpButton); });
        // The list reports clicks, keys, selection changes and drops to the delegate itself.
        sidebarOutlineView = new OutlineView(this, sidebar);
        sidebarOutlineView->setObjectName(QStringLiteral("sidebarOutlineView"));
        sidebarOutlineView->setFrameShape(QFrame::NoFrame);
        layout->addWidget(sidebarNavPopUpButton);
        layout->addWidget(sidebarOutlineView, 1);
    }
    sidebarView = sidebar;

    auto *thumbnails = new QWidget;
    thumbnails->setObjectName(QStringLiteral("thumbnailsSuperview"));
    {
        auto *layout = new QVBoxLayout(thumbnails);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        // Above the grid rather than in a dialog: it stays as long as the folder is shown.
        folderProblemLabel = new QLabel(thumbnails);
        folderProblemLabel->setObjectName(QStringLiteral("folderProblemLabel"));
        folderProblemLabel->setWordWrap(true);
        folderProblemLabel->setTextFormat(Qt::PlainText);
        folderProblemLabel->setContentsMargins(12, 8, 12, 8);
        folderProblemLabel->setAutoFillBackground(true);
        folderProblemLabel->setBackgroundRole(QPalette::ToolTipBase);
        folderProblemLabel->setForegroundRole(QPalette::ToolTipText);
        folderProblemLabel->hide();
        layout->addWidget(folderProblemLabel);
        thumbnailsCollectionView = new ImageCollectionView(thumbnails);
        thumbnailsCollectionView->setObjectName(QStringLiteral("thumbnailsCollectionView"));
        thumbnailsCollectionView->setDelegate(this);
        layout->addWidget(thumbnailsCollectionView);
    }
    thumbnailsSuperview = thumbnails;

    // The viewer takes the grid's pane while an item is shown full size.
    fullSizeView = new FullSizeView;
    fullSizeView->setAppDelegate(this);
    fullSizeNavigationControl = qobject_cast<LMRSegmentedControl *>(fullSizeView->navigationControl());
    connect(fullSizeNavigationControl, &LMRSegmentedControl::clicked, this,
            [this] { didClickFullSizeViewNavigationButton(fullSizeNavigationControl); });
    connect(fullSizeView, &FullSizeView::videoPlayingChanged, this, &AppDelegate::updateScreenSaverInhibition);

    buildBottomBar();
    contentView->setBottomBar(bottomBarView);

    connect(window, &MainWindow::resized, this, &AppDelegate::windowDidResize);
    // Written once a move or resize has settled, not for every step of it.
    auto *geometryTimer = new QTimer(this);
    geometryTimer->setObjectName(QStringLiteral("windowGeometryTimer"));
    geometryTimer->setSingleShot(true);
    geometryTimer->setInterval(500);
    connect(geometryTimer, &QTimer::timeout, this, &AppDelegate::saveWindowGeometry);
    connect(window, &MainWindow::geometryChanged, geometryTimer, qOverload<>(&QTimer::start));
    m_windowGeometryTimer = geometryTimer;
    connect(window, &MainWindow::enteredFullScreen, this, &AppDelegate::windowDidEnterFullScreen);
    connect(window, &MainWindow::exitedFullScreen, this, &AppDelegate::windowDidExitFullScreen);
}

void AppDelegate::restoreWindowGeometry()
{
    // Size, maximised state, and the position where the platform lets a program place its
    // windows (not on Wayland). A frame that lies off every screen connected now (a monitor
    // unplugged since) is moved back onto one by restoreGeometry.
    const QByteArray geometry = Preferences::sharedInstance().storedValue(kWindowGeometryKey).toByteArray();
    if (!geometry.isEmpty())
        window->restoreGeometry(geometry);
}

void AppDelegate::saveWindowGeometry()
{
    if (m_windowGeometryTimer)
        m_windowGeometryTimer->stop();
    // Full screen is a passing state, and a minimised window is brought back as it was before.
    if (!window || !window->windowHandle() || window->isFullScreen() || window->isMinimized())
        return;
    const QByteArray geometry = window->saveGeometry();
    Preferences &preferences = Preferences::sharedInstance();
    if (preferences.storedValue(kWindowGeometryKey).toByteArray() != geometry)
        preferences.setStoredValue(kWindowGeometryKey, geometry);
}

void AppDelegate::buildBottomBar()
{
    bottomBarView = new BottomBarView(contentView);
    bottomBarView->appDelegate = this;

    // Neither sub-bar is in the bar until start-up asks for one.
    auto *forThumbnails = new QWidget;
    forThumbnails->setObjectName(QStringLiteral("bottomBarViewForThumbnails"));
    auto *layout = new QHBoxLayout(forThumbnails);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->setSpacing(6);

    smallerThumbnailsIcon = new LMRClickableImageView(forThumbnails);
    smallerThumbnailsIcon->setObjectName(QStringLiteral("smallerThumbnailsIcon"));
    smallerThumbnailsIcon->setFixedSize(16, 16);
    smallerThumbnailsIcon->setToolTip(tr("Smaller thumbnails"));
    smallerThumbnailsIcon->setAccessibleName(tr("Smaller thumbnails"));
    smallerThumbnailsIcon->setTarget(this);
    smallerThumbnailsIcon->setAction([this](LMRClickableImageView *sender) { zoomOut(sender); });

    thumbnailZoomSlider = new QSlider(Qt::Horizontal, forThumbnails);
    thumbnailZoomSlider->setObjectName(QStringLiteral("thumbnailZoomSlider"));
    thumbnailZoomSlider->setRange(1, 16);
    thumbnailZoomSlider->setSingleStep(1);
    thumbnailZoomSlider->setPageStep(1);
    thumbnailZoomSlider->setFixedWidth(120);
    // A click gives it the keys (the arrows then zoom), out of the tab chain all the same.
    thumbnailZoomSlider->setFocusPolicy(Qt::ClickFocus);
    thumbnailZoomSlider->setAccessibleName(tr("Thumbnail size"));
    thumbnailZoomSlider->setToolTip(tr("Thumbnail size"));
    connect(thumbnailZoomSlider, &QSlider::valueChanged, this,
            [this] { didChangeZoomSlider(thumbnailZoomSlider); });
    // Pulling the knob steps through sizes: the zoom is written once, when it is let go.
    auto zoomHold = std::make_shared<Preferences::WriteHold>();
    connect(thumbnailZoomSlider, &QSlider::sliderPressed, this,
            [zoomHold] { *zoomHold = Preferences::sharedInstance().holdWrites(); });
    connect(thumbnailZoomSlider, &QSlider::sliderReleased, this, [zoomHold] { zoomHold->reset(); });

    largerThumbnailsIcon = new LMRClickableImageView(forThumbnails);
    largerThumbnailsIcon->setObjectName(QStringLiteral("largerThumbnailsIcon"));
    largerThumbnailsIcon->setFixedSize(20, 20);
    largerThumbnailsIcon->setToolTip(tr("Larger thumbnails"));
    largerThumbnailsIcon->setAccessibleName(tr("Larger thumbnails"));
    largerThumbnailsIcon->setTarget(this);
    largerThumbnailsIcon->setAction([this](LMRClickableImageView *sender) { zoomIn(sender); });

    thumbnailLoadingSpinner = new LMRBusyIndicator(forThumbnails);
    thumbnailLoadingSpinner->setObjectName(QStringLiteral("thumbnailLoadingSpinner"));

    thumbnailCountLabel = new QLabel(forThumbnails);
    thumbnailCountLabel->setObjectName(QStringLiteral("thumbnailCountLabel"));
    thumbnailCountLabel->setAlignment(Qt::AlignCenter);
    thumbnailCountLabel->setTextInteractionFlags(Qt::NoTextInteraction);

    folderDepthCheckbox = new QCheckBox(tr("Include subfolders"), forThumbnails);
    folderDepthCheckbox->setObjectName(QStringLiteral("folderDepthCheckbox"));
    folderDepthCheckbox->setFocusPolicy(Qt::NoFocus);
    // clicked, not toggled: setting the box from the preference must not send the command.
    connect(folderDepthCheckbox, &QCheckBox::clicked, this,
            [this] { didChangeFolderDepth(folderDepthCheckbox); });

    layout->addWidget(smallerThumbnailsIcon);
    layout->addWidget(thumbnailZoomSlider);
    layout->addWidget(largerThumbnailsIcon);
    layout->addStretch(1);
    layout->addWidget(thumbnailLoadingSpinner);
    layout->addWidget(thumbnailCountLabel);
    layout->addStretch(1);
    layout->addWidget(folderDepthCheckbox);

    auto *forFullSize = new QWidget;
    forFullSize->setObjectName(QStringLiteral("bottomBarViewForFullSize"));
    auto *fullSizeLayout = new QHBoxLayout(forFullSize);
    fullSizeLayout->setContentsMargins(10, 0, 10, 0);
    fullSizeLayout->addWidget(fullSizeView->zoomControl());
    fullSizeLayout->addStretch(1);
    fullSizeLayout->addWidget(fullSizeView->navigationControl());
    fullSizeLayout->addStretch(1);

    bottomBarView->bottomBarViewForThumbnails = forThumbnails;
    bottomBarView->bottomBarViewForFullSize = forFullSize;
}
