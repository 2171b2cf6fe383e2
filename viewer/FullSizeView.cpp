#include "viewer/FullSizeView.h"

#include "prefs/Preferences.h"
#include "support/Artwork.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/OpenWith.h"
#include "support/SegmentedControl.h"
#include "support/SystemAppearance.h"
#include "platform/Applications.h"
#include "platform/PlaybackBackend.h"
#include "viewer/AnimationPlayer.h"
#include "viewer/CenteringClipView.h"
#include "viewer/FullSizeImagePrefetcher.h"
#include "viewer/FullSizeViewDelegate.h"
#include "viewer/ScalingImageView.h"
#include "viewer/VideoControlBar.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QMenu>
#include <QMimeData>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QVideoSink>
#include <QVideoWidget>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPathLabelMargin = 4;
constexpr qint64 kVideoSeekMilliseconds = 5000;

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace

FullSizeView::FullSizeView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fullSizeView"));
    setFocusPolicy(Qt::StrongFocus);

    m_pathLabel = new QLabel(this);
    m_pathLabel->setObjectName(QStringLiteral("pathLabel"));
    m_pathLabel->setAccessibleDescription(tr("Path of the item shown"));
    m_pathLabel->setTextFormat(Qt::RichText);
    m_pathLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    m_pathLabel->setAlignment(Qt::AlignCenter);
    m_pathLabel->setWordWrap(false);
    // A long path must not widen the viewer and with it the window.
    m_pathLabel->setMinimumWidth(1);
    m_pathLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    m_clipView = new LMRCenteringClipView(this);
    m_imageView = new LMRScalingImageView;
    m_clipView->setDocumentView(m_imageView);
    m_clipView->viewport()->installEventFilter(this);
    m_imageView->installEventFilter(this);
    connect(m_imageView, &LMRScalingImageView::imageDrawn, this, &FullSizeView::imageDrawn);

    // Scroll bars coming or going change the visible area without resizing the viewer.
    connect(m_clipView, &LMRCenteringClipView::viewportResized, this, [this] {
        if (m_zoomedToFit && m_imageView->hasImage())
            zoomToFit();
    });

    m_popUpMenu = new QMenu(this);
    m_popUpMenu->setObjectName(QStringLiteral("popUpMenu"));
    QMenu *openWithMenu = new QMenu(tr("Open With"), m_popUpMenu);
    QAction *openWithEntry = m_popUpMenu->addMenu(openWithMenu);
    openWithEntry->setData(-1);
    m_popUpMenu->addSeparator();
    m_popUpMenu->addAction(tr("Copy"), this, &FullSizeView::copy);
    m_popUpMenu->addAction(tr("Copy File Name"), this, &FullSizeView::copyFilenameOnly);

    // The controls live in the bottom bar, which the window builds; until then nobody owns them.
    m_zoomControl = new LMRSegmentedControl(4);
    m_zoomControl->setObjectName(QStringLiteral("zoomControl"));
    m_zoomControl->setAccessibleName(tr("Zoom"));
    m_zoomControl->setSegmentToolTip(0, tr("Zoom Out"));
    m_zoomControl->setSegmentToolTip(1, tr("Actual Size"));
    m_zoomControl->setSegmentToolTip(2, tr("Zoom In"));
    m_zoomControl->setSegmentToolTip(3, tr("Zoom to Fit"));
    connect(m_zoomControl, &LMRSegmentedControl::clicked, this, &FullSizeView::didClickZoomControl);
    m_navigationControl = new LMRSegmentedControl(2);
    m_navigationControl->setObjectName(QStringLiteral("navigationControl"));
    m_navigationControl->setAccessibleName(tr("Previous and next"));
    m_navigationControl->setSegmentToolTip(0, tr("Previous"));
    m_navigationControl->setSegmentToolTip(1, tr("Next"));
    updateControlImages();

    m_animation = new LMRAnimationPlayer(this);
    connect(m_animation, &LMRAnimationPlayer::frameChanged, this, &FullSizeView::showAnimationFrame);

    makePrefetcher();

    LMRNotificationCenter &center = LMRNotificationCenter::defaultCenter();
    center.addObserver(this, LMRNotifications::BackgroundColorChanged, [this] { colorsDidChange(); });
    center.addObserver(this, LMRNotifications::AppearanceChanged, [this] { appearanceDidChange(); });
}

FullSizeView::~FullSizeView()
{
    // The window around it is going too; nobody is to hear about the video ending now.
    blockSignals(true);
    // First: once it is gone no worker can post to this view any more.
    m_prefetcher.reset();
    LMRNotificationCenter::defaultCenter().removeObserver(this);
    destroyAVPlayer();
    // It lives in the window, which may outlive the viewer.
    delete m_controlBar;
    for (QWidget *control : {static_cast<QWidget *>(m_zoomControl.data()),
                             static_cast<QWidget *>(m_navigationControl.data())}) {
        if (control && !control->parentWidget())
            delete control;
    }
}

void FullSizeView::setAppDelegate(AppDelegate *appDelegate)
{
    m_appDelegateAdapter = appDelegate ? std::make_unique<LMRAppDelegateFullSizeViewDelegate>(appDelegate) : nullptr;
    m_delegate = m_appDelegateAdapter.get();
}

AppDelegate *FullSizeView::appDelegate() const
{
    return m_appDelegateAdapter ? m_appDelegateAdapter->appDelegate() : nullptr;
}

void FullSizeView::setDelegate(FullSizeViewDelegate *delegate)
{
    m_appDelegateAdapter.reset();
    m_delegate = delegate;
}

bool FullSizeView::isDecodedAhead(const LMRImageItemPtr &item) const
{
    return m_prefetcher && m_prefetcher->isReady(item);
}

QWidget *FullSizeView::zoomControl() const
{
    return m_zoomControl;
}

QWidget *FullSizeView::navigationControl() const
{
    return m_navigationControl;
}

// ---------------------------------------------------------------------------------------------
// Showing an item

void FullSizeView::showItem(const LMRImageItemPtr &item)
{
    destroyAVPlayer();
    m_animation->stop();
    m_shownItem = item;
    ++m_showGeneration;
    m_awaitingDecode = false;
    updatePathLabel();
    updateControlImages();

    const bool video = item && Preferences::supportedVideoUTIs().contains(item->UTI())
        && Preferences::sharedInstance().includeVideos();
    const std::optional<LMRFullSizeImagePrefetcher::Result> decoded =
        item && !video ? m_prefetcher->decodedResult(item) : std::nullopt;
    if (video)
        LMRPlaybackBackend::prepare();
    if (decoded || video) {
        showDecodedImage(decoded.value_or(LMRFullSizeImagePrefetcher::Result()), false);
    } else if (item) {
        // The decode runs on a worker; until it ends, the cached thumbnail stands in over the
        // frame the image will have, so that the image takes its place without a jump.
        m_awaitingDecode = true;
        const QImage picture = item->cachedPicture();
        m_imageView->setPreview(picture, QSizeF(item->pixelWidth(), item->pixelHeight()));
        if (m_imageView->hasImage())
            fitNewImage();
        else
            m_imageView->setFrameSize(QSizeF(0, 0));
    } else {
        showDecodedImage({}, false);
    }

    const std::vector<LMRImageItemPtr> neighbours =
        item && m_delegate ? m_delegate->itemsNearFullSizeItem(item) : std::vector<LMRImageItemPtr>();
    m_prefetcher->setWanted(video ? nullptr : item, neighbours, m_clipView->viewport()->size(), devicePixelRatioF());
}

void FullSizeView::fitNewImage()
{
    // Sized for the area as it stands, so the first paint already draws the image at its place
    // instead of stretched into the previous image's frame; the fit that counts comes after the
    // pending layout pass.
    m_imageView->setScale(m_imageView->fittingScale());
    const quint64 generation = m_showGeneration;
    QMetaObject::invokeMethod(this, [this, generation] {
        if (generation == m_showGeneration && m_imageView->hasImage())
            zoomToFit();
    }, Qt::QueuedConnection);
}

void FullSizeView::showDecodedImage(const LMRFullSizeImagePrefetcher::Result &decoded, bool afterPreview)
{
    const bool replacesPreview = afterPreview && decoded.image.isValid();
    const QSizeF frame = m_imageView->frameSize();
    m_imageView->setImage(decoded.image, decoded.fitted);
    if (replacesPreview) {
        // The frame stays as the preview had it, fitted or zoomed by the user; only the scale
        // is told in the image's own pixels.
        const QSizeF pixels = m_imageView->pixelSize();
        if (pixels.width() > 0)
            m_scale = float(frame.width() / pixels.width());
        if (m_zoomedToFit)
            zoomToFit();
    } else if (decoded.image.isValid()) {
        fitNewImage();
    }
    // Animated pictures play while on show; the still is their first frame meanwhile.
    if (decoded.image.isValid()) {
        if (m_shownItem && isInWindow())
            m_animation->start(m_shownItem->path(), m_shownItem->UTI());
    } else {
        m_imageView->setFrameSize(QSizeF(0, 0));
        if (m_shownItem && Preferences::supportedVideoUTIs().contains(m_shownItem->UTI())
            && Preferences::sharedInstance().includeVideos() && isInWindow()) {
            // A held arrow key steps many times a second: only a clip that stays on show gets a
            // player, so stepping past clips starts (and stops) no pipeline at all.
            QTimer::singleShot(kPlayerStartDelayMs, this, [this, generation = m_showGeneration] {
                if (generation == m_showGeneration && !m_player && isInWindow())
                    startPlayer();
            });
        }
    }
}

void FullSizeView::decodeDidEnd(const LMRImageItemPtr &item)
{
    if (!m_awaitingDecode || !item || item != m_shownItem)
        return;
    const std::optional<LMRFullSizeImagePrefetcher::Result> decoded = m_prefetcher->decodedResult(item);
    if (!decoded)
        return;
    m_awaitingDecode = false;
    showDecodedImage(*decoded, m_imageView->showsPreview());
}

void FullSizeView::startPlayer()
{
    m_player = new QMediaPlayer(this);
    // Sound only where there is somewhere to play it: an audio output without a sound server
    // fails to connect and complains on every clip, while a video without one plays silently.
    if (!QMediaDevices::audioOutputs().isEmpty()) {
        m_audioOutput = new QAudioOutput(m_player);
        m_player->setAudioOutput(m_audioOutput);
    }
    m_playerView = new QVideoWidget(this);
    m_playerView->setObjectName(QStringLiteral("playerView"));
    m_playerView->setFocusPolicy(Qt::NoFocus);
    m_playerView->setGeometry(rect());
    m_player->setVideoOutput(m_playerView);
    // The pointer moving over the picture brings the controls; the video's own window passes
    // the pointer on to the widgets around it.
    QList<QWidget *> pictureWidgets = m_playerView->findChildren<QWidget *>();
    pictureWidgets.append(m_playerView);
    for (QWidget *widget : std::as_const(pictureWidgets)) {
        widget->setMouseTracking(true);
        widget->installEventFilter(this);
    }
    connect(m_player, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) { setVideoPlaying(state == QMediaPlayer::PlayingState); });
    m_playerView->show();
    m_playerView->raise();
    // Volume and mute come from the settings through the bar, before the first sound.
    controlBarInWindow()->setPlayer(m_player, m_audioOutput);
    m_player->setSource(QUrl::fromLocalFile(m_shownItem->path()));
    m_player->play();
    // Shown for a moment at the start, so that the controls are known to be there.
    pokeControlBar();
    emit playerStarted();
}

namespace {

// Where retired players stop. Stopping a GStreamer pipeline blocks its caller for 30 ms to more
// than a second, most of it waiting for the video widget's renderer, which only the main thread
// serves: stopped here, the main thread stays free to serve it. Never ended: it outlives every
// viewer.
QThread *playerStoppingThread()
{
    static QThread *const thread = [] {
        auto *stopping = new QThread;
        stopping->setObjectName(QStringLiteral("LMRPlayerStopping"));
        stopping->start(QThread::LowPriority);
        return stopping;
    }();
    return thread;
}

} // namespace

void FullSizeView::destroyAVPlayer()
{
    if (!m_player)
        return;
    // Paused and out of sight at once. The pipeline is stopped on the stopping thread; the
    // player then comes back to be deleted here, where its pipeline's bus is read, and its
    // video widget stays here, detached, until the player that draws into it is gone.
    if (m_controlBar)
        m_controlBar->setPlayer(nullptr, nullptr);
    QMediaPlayer *player = std::exchange(m_player, nullptr);
    QVideoWidget *playerView = std::exchange(m_playerView, nullptr);
    m_audioOutput = nullptr;
    // What it still tells while it stops, from the stopping thread, is no longer this view's.
    disconnect(player, nullptr, this, nullptr);
    player->pause();
    player->setParent(nullptr);
    if (playerView) {
        QList<QWidget *> pictureWidgets = playerView->findChildren<QWidget *>();
        pictureWidgets.append(playerView);
        for (QWidget *widget : std::as_const(pictureWidgets))
            widget->removeEventFilter(this);
        playerView->hide();
        playerView->setParent(nullptr);
    }
    QThread *home = thread();
    player->moveToThread(playerStoppingThread());
    QMetaObject::invokeMethod(
        player,
        [player, playerView, home] {
            player->setSource(QUrl());
            player->moveToThread(home);
            QMetaObject::invokeMethod(
                player,
                [player, playerView] {
                    delete player;
                    delete playerView;
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    setVideoPlaying(false);
}

void FullSizeView::setVideoPlaying(bool playing)
{
    if (playing == m_videoPlaying)
        return;
    m_videoPlaying = playing;
    emit videoPlayingChanged(playing);
}

void FullSizeView::showAnimationFrame(const QImage &frame)
{
    // A frame of another size than the still would change the zoom's arithmetic under the user.
    if (QSizeF(frame.size()) != m_imageView->pixelSize()) {
        m_animation->stop();
        return;
    }
    LMRImage image = m_imageView->image();
    image.image = frame;
    m_imageView->setImage(image);
}

void FullSizeView::exit()
{
    destroyAVPlayer();
    m_animation->stop();
    if (m_delegate)
        m_delegate->cancelFullSizeView(this);
}

bool FullSizeView::isInWindow() const
{
    // In the split view it counts as shown unless hidden; on its own it must be on screen.
    return parentWidget() ? !isHidden() : isVisible();
}

void FullSizeView::updatePathLabel()
{
    const QString path = m_shownItem ? m_shownItem->path() : QString();
    m_pathLabel->setToolTip(path);
    // What a screen reader says: the path itself, not the markup around it.
    m_pathLabel->setAccessibleName(path.isEmpty() ? tr("No item shown") : path);
    if (path.isEmpty()) {
        m_pathLabel->clear();
        return;
    }
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    const QString nameColor = LMRSystemAppearance::isDarkMode() ? QStringLiteral("white") : QStringLiteral("black");
    // Plain spans: Qt's rich text wraps at spaces unless told not to.
    m_pathLabel->setText(QStringLiteral("<span style=\"white-space:pre\"><span style=\"color:gray\">%1</span>"
                                        "<span style=\"color:%2\">%3</span></span>")
                             .arg(escaped(folder), nameColor, escaped(name)));
}

void FullSizeView::updateControlImages()
{
    static const char *const zoomNames[] = {"zoom-out", "zoom-actual", "zoom-in", "zoom-fill"};
    static const char *const navigationNames[] = {"navigate-previous", "navigate-next"};
    if (m_zoomControl) {
        for (int segment = 0; segment < 4; ++segment)
            m_zoomControl->setImage(segment, LMRImageNamed(LMRAppearanceImageName(QLatin1String(zoomNames[segment]))));
    }
    if (m_navigationControl) {
        for (int segment = 0; segment < 2; ++segment)
            m_navigationControl->setImage(
                segment, LMRImageNamed(LMRAppearanceImageName(QLatin1String(navigationNames[segment]))));
    }
}

// ---------------------------------------------------------------------------------------------
// Zoom

void FullSizeView::makePrefetcher()
{
    m_prefetcher = std::make_unique<LMRFullSizeImagePrefetcher>();
    // From a worker, under the prefetcher's lock: only handed on to the main thread here.
    m_prefetcher->setDecodedCallback([this](const LMRImageItemPtr &item) {
        QMetaObject::invokeMethod(this, [this, item] { decodeDidEnd(item); }, Qt::QueuedConnection);
    });
}

void FullSizeView::colorProfileDidChange()
{
    // The images decoded for the old profile go with the old workers; a decode still awaited is
    // asked of the new ones.
    makePrefetcher();
    if (m_shownItem && (m_imageView->hasImage() || m_awaitingDecode))
        showItem(m_shownItem);
}

// The zoom commands keep the middle of what is on show where it is, as the keys do; the wheel
// and the pinch keep the point under the pointer instead.
void FullSizeView::zoomIn()
{
    zoomByFactor(1.1, visibleCenter());
}

void FullSizeView::zoomOut()
{
    zoomByFactor(0.9, visibleCenter());
}

void FullSizeView::zoomToActualSize()
{
    zoomToScale(actualSizeScale(), visibleCenter());
}

float FullSizeView::actualSizeScale() const
{
    // One image pixel to one device pixel: on a high-density screen a point holds several. A
    // drawing (PDF, SVG) has no pixels of its own and shows at its size in points.
    const qreal ratio = devicePixelRatioF();
    return m_imageView->image().isBitmap && ratio > 0 ? float(1.0 / ratio) : 1.0f;
}

void FullSizeView::zoomToFit()
{
    if (!m_imageView->hasImage())
        return;
    m_zoomedToFit = true;
    m_scale = m_imageView->fittingScale();
    viewGeometryDidChange();
}

void FullSizeView::didClickZoomControl(int segment)
{
    switch (segment) {
    case 0: zoomOut(); break;
    case 1: zoomToActualSize(); break;
    case 2: zoomIn(); break;
    case 3: zoomToFit(); break;
    default: break;
    }
}

void FullSizeView::zoomByFactor(double factor, QPointF anchor)
{
    zoomToScale(float(double(m_scale) * factor), anchor);
}

void FullSizeView::zoomToScale(float scale, QPointF anchor)
{
    // A scale of zero or less, or one that overflowed, has no picture to keep under the pointer.
    if (!m_imageView->hasImage() || !(scale > 0.0f) || !std::isfinite(scale))
        return;
    // The image point under the anchor, as the view is drawn now: the image fills the view's
    // whole-pixel rectangle, which the clip view places at the scroll position.
    const QSizeF pixels = m_imageView->pixelSize();
    const QSizeF before = m_imageView->size();
    if (before.isEmpty())
        return;
    const QPointF inView = anchor - QPointF(m_imageView->pos());
    const QPointF imagePoint(inView.x() * pixels.width() / before.width(), inView.y() * pixels.height() / before.height());

    m_zoomedToFit = false;
    m_scale = scale;
    viewGeometryDidChange();

    const QSizeF after = m_imageView->size();
    const QPointF moved(imagePoint.x() * after.width() / pixels.width(), imagePoint.y() * after.height() / pixels.height());
    // Where the document is smaller than the visible area the clip view centres it instead.
    m_clipView->horizontalScrollBar()->setValue(qRound(moved.x() - anchor.x()));
    m_clipView->verticalScrollBar()->setValue(qRound(moved.y() - anchor.y()));
}

QPointF FullSizeView::visibleCenter() const
{
    return QRectF(m_clipView->viewport()->rect()).center();
}

bool FullSizeView::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (event->type() == QEvent::MouseMove && widget && m_playerView
        && (widget == m_playerView || m_playerView->isAncestorOf(widget))) {
        pokeControlBar();
        return false;
    }
    if (!widget || (widget != m_imageView && widget != m_clipView->viewport()))
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier))
            return false;
        // A notch (120) zooms by the zoom command's factor; a touchpad's finer turns zoom by
        // the same amount in smaller steps.
        const int delta = wheel->angleDelta().y();
        if (delta != 0)
            zoomByFactor(std::pow(1.1, delta / 120.0), widget->mapTo(m_clipView->viewport(), wheel->position()));
        wheel->accept();
        return true;
    }
    if (event->type() == QEvent::NativeGesture) {
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        if (gesture->gestureType() != Qt::ZoomNativeGesture)
            return false;
        // The value is the change of the pinch's scale since the last event.
        if (gesture->value() > -1.0)
            zoomByFactor(1.0 + gesture->value(), widget->mapTo(m_clipView->viewport(), gesture->position()));
        gesture->accept();
        return true;
    }
    return false;
}

void FullSizeView::viewGeometryDidChange()
{
    if (!m_imageView->hasImage())
        return;
    m_imageView->setScale(m_scale);
    m_imageView->update();
}

// ---------------------------------------------------------------------------------------------
// Clipboard, opening with another application

void FullSizeView::copy()
{
    if (m_shownItem)
        QGuiApplication::clipboard()->setText(m_shownItem->path());
}

void FullSizeView::copyFilenameOnly()
{
    if (!m_shownItem)
        return;
    const QString path = m_shownItem->path();
    QGuiApplication::clipboard()->setText(path.mid(path.lastIndexOf(u'/') + 1));
}

void FullSizeView::openWith(const QString &applicationId)
{
    if (m_shownItem)
        LMROpenFilesWithApplication(window(), applicationId, {m_shownItem->path()});
}

void FullSizeView::showPopUpMenuAtPoint(const QPoint &point)
{
    if (QMenu *openWithMenu = LMROpenWithSubmenu(m_popUpMenu)) {
        openWithMenu->clear();
        if (m_shownItem) {
            QPointer<FullSizeView> view(this);
            LMRPopulateOpenWithMenu(openWithMenu, m_shownItem->UTI(), [view](const QString &identifier) {
                if (view)
                    view->openWith(identifier);
            });
        }
    }
    m_popUpMenu->popup(mapToGlobal(point));
}

// ---------------------------------------------------------------------------------------------
// Appearance and layout

void FullSizeView::appearanceDidChange()
{
    if (!m_shownItem)
        return;
    // Out of the window only the colours follow; showing again would start a video nobody sees.
    if (isInWindow()) {
        showItem(m_shownItem);
    } else {
        updatePathLabel();
        updateControlImages();
    }
}

void FullSizeView::colorsDidChange()
{
    update();
}

void FullSizeView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Preferences::sharedInstance().backgroundColor());
}

void FullSizeView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutSubviews();
    if (m_zoomedToFit)
        zoomToFit();
}

void FullSizeView::setShowsPathLabel(bool shows)
{
    if (shows == m_showsPathLabel)
        return;
    m_showsPathLabel = shows;
    m_pathLabel->setVisible(shows);
    layoutSubviews();
}

void FullSizeView::layoutSubviews()
{
    const int labelHeight = m_showsPathLabel ? m_pathLabel->sizeHint().height() + 2 * kPathLabelMargin : 0;
    m_pathLabel->setGeometry(kPathLabelMargin, 0, qMax(0, width() - 2 * kPathLabelMargin), labelHeight);
    m_clipView->setGeometry(0, labelHeight, width(), qMax(0, height() - labelHeight));
    if (m_playerView)
        m_playerView->setGeometry(rect());
    placeControlBar();
}

LMRVideoControlBar *FullSizeView::controlBarInWindow()
{
    // The video is drawn in a native window that Qt places directly in the top-level window,
    // above every widget of the window's own; a bar that is to be seen over it must be a
    // native child of the top-level too, raised above it. So the bar lives in the viewer's
    // window, not in the viewer, and follows the viewer's place there.
    QWidget *host = window();
    if (!m_controlBar) {
        m_controlBar = new LMRVideoControlBar(host);
        // The window may go first and take the bar with it.
        connect(m_controlBar, &QObject::destroyed, this, [this] { m_controlBar = nullptr; });
    } else if (m_controlBar->parentWidget() != host) {
        m_controlBar->setParent(host);
        m_controlBar->hide();
    }
    return m_controlBar;
}

void FullSizeView::placeControlBar()
{
    QWidget *host = m_controlBar ? m_controlBar->parentWidget() : nullptr;
    if (host)
        m_controlBar->setGeometry(LMRVideoControlBar::frameInArea(QRect(mapTo(host, QPoint(0, 0)), size())));
}

void FullSizeView::pokeControlBar()
{
    if (!m_controlBar || !m_player)
        return;
    placeControlBar();
    m_controlBar->poke();
}

// ---------------------------------------------------------------------------------------------
// Keyboard and mouse

void FullSizeView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        exit();
        break;
    case Qt::Key_Space:
        if (m_delegate && m_delegate->isSlideshowActive()) {
            if (m_delegate->isSlideshowPaused())
                m_delegate->unpauseSlideshow();
            else
                m_delegate->pauseSlideshow();
        } else {
            exit();
        }
        break;
    case Qt::Key_Left:
        if (m_delegate)
            m_delegate->showPreviousImageInFullSizeView(this);
        break;
    case Qt::Key_Right:
        if (m_delegate)
            m_delegate->showNextImageInFullSizeView(this);
        break;
    // Video keys that the table above leaves free: K plays and pauses, J and L step back and
    // forward, M mutes; the keyboard's media keys as well.
    case Qt::Key_K:
    case Qt::Key_MediaTogglePlayPause:
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaPause:
        if (m_player) {
            m_controlBar->togglePlayPause();
            pokeControlBar();
        }
        break;
    case Qt::Key_J:
    case Qt::Key_L:
        if (m_player) {
            m_controlBar->seekBy(event->key() == Qt::Key_J ? -kVideoSeekMilliseconds : kVideoSeekMilliseconds);
            pokeControlBar();
        }
        break;
    case Qt::Key_M:
        if (m_player) {
            m_controlBar->toggleMuted();
            pokeControlBar();
        }
        break;
    // Zoom keys that the table above leaves free.
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomIn();
        break;
    case Qt::Key_Minus:
        zoomOut();
        break;
    case Qt::Key_0:
        zoomToFit();
        break;
    case Qt::Key_1:
        zoomToActualSize();
        break;
    default:
        break;
    }
    // Every key stops here: none of them means anything to the window behind the viewer.
    event->accept();
}

void FullSizeView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_mouseDownLocation = event->scenePosition();
    m_mouseDownValid = true;
}

void FullSizeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_mouseDownValid = false;
    exit();
}

bool FullSizeView::isDragDistance(QPointF from, QPointF to)
{
    const double dx = to.x() - from.x();
    const double dy = to.y() - from.y();
    // Measured in double, compared in single precision: 4.9 points stays a click.
    return float(std::sqrt(dx * dx + dy * dy)) >= kDragThreshold;
}

void FullSizeView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || !m_mouseDownValid)
        return;
    if (!isDragDistance(m_mouseDownLocation, event->scenePosition()))
        return;
    m_mouseDownValid = false;
    startDrag();
}

void FullSizeView::startDrag()
{
    if (!m_shownItem)
        return;
    auto *data = new QMimeData;
    data->setUrls({m_shownItem->URL()});
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    // The grid's thumbnail when one is cached; a drag without a picture is still a drag.
    const QImage thumbnail = m_shownItem->cachedThumbnailWithSize(96, devicePixelRatioF());
    if (!thumbnail.isNull()) {
        const QPixmap pixmap = QPixmap::fromImage(thumbnail);
        drag->setPixmap(pixmap);
        // The hot spot is in points; the picture carries the screen's ratio.
        const QSizeF points = pixmap.deviceIndependentSize();
        drag->setHotSpot(QPoint(int(points.width() / 2), int(points.height() / 2)));
    }
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

void FullSizeView::contextMenuEvent(QContextMenuEvent *event)
{
    const QPoint point = event->pos();
    event->accept();
    // After the event: the menu's own event loop must not run inside the click's handler.
    QMetaObject::invokeMethod(this, [this, point] { showPopUpMenuAtPoint(point); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------------------------
// Leaving the window

void FullSizeView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A minimised window hides spontaneously and keeps its viewer; only a real removal ends a video.
    if (!event->spontaneous())
        didLeaveWindow();
}

void FullSizeView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange && !isInWindow())
        didLeaveWindow();
}

void FullSizeView::didLeaveWindow()
{
    destroyAVPlayer();
    m_animation->stop();
    m_awaitingDecode = false;
    // A full image of a camera photo is about 100 MB, and the neighbours decoded ahead as much
    // again each: none of them is wanted once the grid is back. Showing an item again decodes.
    m_prefetcher->setWanted(nullptr, {}, QSize(), 1.0);
    m_imageView->setImage(LMRImage());
}
