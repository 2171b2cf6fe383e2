#pragma once
// FullSizeView: one item of the thumbnail list at full size, in the grid's place. A still image
// is shown in a zoomable, scrolling image view; a video of an enabled type is played in a video
// widget laid over the whole viewer. The viewer shows the item's path, zooms, copies the path or
// the file name, opens the item with another application, lets it be dragged out, and turns keys
// into requests to its delegate.
//
// It never decides which item to show or steps on its own: the AppDelegate does that and calls
// showItem. It never decodes on the main thread: the shown item and its neighbours are decoded
// on workers (FullSizeImagePrefetcher); while the shown image decodes, its cached thumbnail
// stands in, stretched over the frame the image will have, and the image takes its place when
// it arrives. That changes only how soon an image is ready, never which image is shown.
//
// A video plays only while the viewer is in the window, and decoded images are held only then:
// leaving the window (hide, removal from the split view) ends the one and lets go of the other.

#include "model/FileSystemImageItem.h"
#include "viewer/FullSizeImagePrefetcher.h"

#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class AppDelegate;
class FullSizeViewDelegate;
class LMRAnimationPlayer;
class LMRAppDelegateFullSizeViewDelegate;
class LMRCenteringClipView;
class LMRScalingImageView;
class LMRSegmentedControl;
class LMRVideoControlBar;
class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QMenu;
class QVideoWidget;

class FullSizeView : public QWidget
{
    Q_OBJECT
public:
    explicit FullSizeView(QWidget *parent = nullptr);
    ~FullSizeView() override;

    // The application's delegate (not owned); it receives leave and step requests.
    void setAppDelegate(AppDelegate *appDelegate);
    AppDelegate *appDelegate() const;
    // Any other receiver of those requests (not owned), in place of the application's delegate.
    void setDelegate(FullSizeViewDelegate *delegate);

    void showItem(const LMRImageItemPtr &item);
    // Ends playback, then asks the delegate to leave the viewer.
    void exit();
    void destroyAVPlayer();

    void zoomIn();
    void zoomOut();
    void zoomToActualSize();
    void zoomToFit();
    // 0 zoom out, 1 actual size, 2 zoom in, 3 fit; anything else does nothing.
    void didClickZoomControl(int segment);
    // Zooms so that the image point under anchor (a point of the clip view's viewport) stays
    // there: the wheel with Ctrl, a pinch and the zoom keys. The new scale is the current one
    // times factor, rounded to single precision as every scale is.
    void zoomByFactor(double factor, QPointF anchor);
    void zoomToScale(float scale, QPointF anchor);

    void copy();
    void copyFilenameOnly();
    void openWith(const QString &applicationId);

    LMRImageItemPtr shownItem() const { return m_shownItem; }
    float scale() const { return m_scale; }
    bool zoomedToFit() const { return m_zoomedToFit; }

    // The two segmented controls; the window places them in the bottom bar's viewer sub-bar.
    QWidget *zoomControl() const;
    QWidget *navigationControl() const;
    QMediaPlayer *player() const { return m_player; }
    QVideoWidget *playerView() const { return m_playerView; }
    QAudioOutput *audioOutput() const { return m_audioOutput; }
    LMRVideoControlBar *controlBar() const { return m_controlBar; }
    LMRAnimationPlayer *animationPlayer() const { return m_animation; }
    LMRScalingImageView *imageView() const { return m_imageView; }
    LMRCenteringClipView *clipView() const { return m_clipView; }
    QLabel *pathLabel() const { return m_pathLabel; }
    QMenu *popUpMenu() const { return m_popUpMenu; }

    // Whether the image of item is decoded ahead and waiting.
    bool isDecodedAhead(const LMRImageItemPtr &item) const;
    // Whether the shown item's image is still being decoded (its preview, if any, on show).
    bool isAwaitingDecode() const { return m_awaitingDecode; }

    void viewGeometryDidChange();
    // Full screen shows the picture alone: the path label steps aside and gives its height to it.
    void setShowsPathLabel(bool shows);
    bool showsPathLabel() const { return m_showsPathLabel; }
    void appearanceDidChange();
    void colorsDidChange();
    // The output colour space changed: images decoded ahead are dropped, and a shown image is
    // decoded again.
    void colorProfileDidChange();
    // Pops the context menu up at a point in the viewer; the right-click queues this.
    void showPopUpMenuAtPoint(const QPoint &point);
    // Whether the viewer is on show in a window; playback never runs otherwise.
    bool isInWindow() const;
    // Whether a video is playing now (not paused, not ended).
    bool isPlayingVideo() const { return m_videoPlaying; }

    // Drags shorter than this (in points) are clicks.
    static constexpr float kDragThreshold = 5.0f;
    // How long a video stays on show before it gets a player.
    static constexpr int kPlayerStartDelayMs = 150;
    static bool isDragDistance(QPointF from, QPointF to);

signals:
    // A paint of the image view drew the image of the item shown (stepping measurements).
    void imageDrawn();
    // A video started or stopped playing, however it stopped.
    void videoPlayingChanged(bool playing);
    // The video on show got its player (player() and playerView() are set).
    void playerStarted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Ctrl+wheel and pinches over the picture zoom instead of scrolling.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutSubviews();
    void makePrefetcher();
    void fitNewImage();
    void showDecodedImage(const LMRFullSizeImagePrefetcher::Result &decoded, bool afterPreview);
    void decodeDidEnd(const LMRImageItemPtr &item);
    void updatePathLabel();
    void updateControlImages();
    void startDrag();
    void startPlayer();
    void setVideoPlaying(bool playing);
    void showAnimationFrame(const QImage &frame);
    LMRVideoControlBar *controlBarInWindow();
    void placeControlBar();
    // The pointer moved over the video, or a video key was pressed.
    void pokeControlBar();
    QPointF visibleCenter() const;
    float actualSizeScale() const;
    // Out of the window: playback ends and every decoded image is let go.
    void didLeaveWindow();

    std::unique_ptr<LMRAppDelegateFullSizeViewDelegate> m_appDelegateAdapter;
    FullSizeViewDelegate *m_delegate = nullptr;
    LMRScalingImageView *m_imageView = nullptr;
    LMRCenteringClipView *m_clipView = nullptr;
    QLabel *m_pathLabel = nullptr;
    QMenu *m_popUpMenu = nullptr;
    QPointer<LMRSegmentedControl> m_navigationControl;
    QPointer<LMRSegmentedControl> m_zoomControl;
    QPointF m_mouseDownLocation;
    // Cleared once a drag starts, so one press never starts two.
    bool m_mouseDownValid = false;
    QMediaPlayer *m_player = nullptr;
    QVideoWidget *m_playerView = nullptr;
    QAudioOutput *m_audioOutput = nullptr;
    // One bar for the viewer's lifetime, driving whichever player is current; made with the
    // first video, a child of the viewer's window (controlBarInWindow).
    LMRVideoControlBar *m_controlBar = nullptr;
    // Plays the shown picture's frames when it is animated.
    LMRAnimationPlayer *m_animation = nullptr;
    float m_scale = 0.0f;
    LMRImageItemPtr m_shownItem;
    bool m_zoomedToFit = false;
    bool m_showsPathLabel = true;
    bool m_videoPlaying = false;

    std::unique_ptr<LMRFullSizeImagePrefetcher> m_prefetcher;
    // Counts showItem calls, so a queued fit meant for an earlier item is dropped.
    quint64 m_showGeneration = 0;
    bool m_awaitingDecode = false;
};
