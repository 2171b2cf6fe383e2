// The slideshow: the full-size viewer stepped on a repeating timer, in list order or in a
// shuffled order, at the pace the preferences set. A slideshow exists exactly while its timer
// does; pausing only makes the ticks do nothing, so the rhythm survives a pause.

#include "app/AppDelegate.h"

#include "grid/ImageCollectionView.h"
#include "platform/ScreenSaverInhibitor.h"
#include "prefs/Preferences.h"
#include "slideshow/Shuffle.h"
#include "support/Artwork.h"
#include "support/SegmentedControl.h"

#include <QAction>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// QTimer counts whole milliseconds in an int. A pace of 0 ticks on every pass of the event
// loop, which still lets input through; absurd paces wait as long as a timer can.
int timerInterval(float seconds)
{
    const double milliseconds = std::round(double(seconds) * 1000.0);
    if (!(milliseconds > 0))
        return 0;
    return int(std::min(milliseconds, double(std::numeric_limits<int>::max())));
}
} // namespace

void AppDelegate::startSlideshow(QObject *)
{
    if (isSlideshowActive()) {
        stopSlideshow();
        return;
    }
    // Started from the grid, the show begins at once with the item the user picked (or the
    // first), rather than after a whole interval of nothing happening.
    if (!isFullSizeViewShown() && !thumbnailItems.empty()) {
        qint64 first = thumbnailsCollectionView ? thumbnailsCollectionView->selection().firstIndex() : -1;
        if (first < 0 || quint64(first) >= thumbnailItems.size())
            first = 0;
        showItemWithIndexInFullSizeView(quint64(first));
    }
    startSlideshowWithMode(kSlideshowInOrder);
}

void AppDelegate::startShuffledSlideshow(QObject *)
{
    startSlideshowWithMode(kSlideshowShuffled);
}

void AppDelegate::startSlideshowWithMode(qint64 mode)
{
    discardSlideshowTimer();
    slideshowPaused = false;
    showSlideshowRunning(true);
    slideshowMode = mode;

    if (mode == kSlideshowShuffled) {
        shuffledImageItems = shuffledCopy(thumbnailItems);
        slideshowShuffleIndex = 0;
        if (!shuffledImageItems.empty()) {
            const LMRImageItemPtr &first = shuffledImageItems.front();
            const auto found = std::find_if(thumbnailItems.begin(), thumbnailItems.end(),
                                            [&first](const LMRImageItemPtr &item) { return *item == *first; });
            showItemWithIndexInFullSizeView(quint64(found - thumbnailItems.begin()));
        }
    } else {
        // An order left from a shuffled show that this one replaces.
        shuffledImageItems.clear();
    }

    auto *timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("slideshowTimer"));
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, &AppDelegate::slideshowTimerFired);
    timer->start(timerInterval(Preferences::sharedInstance().slideshowPacing()));
    slideshowTimer = timer;
    updateScreenSaverInhibition();
}

void AppDelegate::stopSlideshow()
{
    discardSlideshowTimer();
    shuffledImageItems.clear();
    showSlideshowRunning(false);
    updateScreenSaverInhibition();
}

void AppDelegate::slideshowTimerFired()
{
    if (slideshowPaused)
        return;
    if (slideshowMode == kSlideshowInOrder) {
        const quint64 count = thumbnailItems.size();
        if (count == 0)
            return;
        if (fullSizeItemIndex + 1 < count)
            showNextImageInFullSizeView(this);
        else
            showItemWithIndexInFullSizeView(0);
    } else if (slideshowMode == kSlideshowShuffled) {
        showShuffledItemAfterStep(1);
    }
}

void AppDelegate::pauseSlideshow()
{
    if (isSlideshowActive())
        slideshowPaused = true;
    updateScreenSaverInhibition();
}

void AppDelegate::unpauseSlideshow()
{
    if (isSlideshowActive())
        slideshowPaused = false;
    updateScreenSaverInhibition();
}

bool AppDelegate::isSlideshowActive() const
{
    return !slideshowTimer.isNull();
}

bool AppDelegate::isSlideshowPaused() const
{
    return slideshowPaused;
}

void AppDelegate::didChangeSlideshowPacing()
{
    // A restart: a fresh interval at the new pace, unpaused.
    if (isSlideshowActive())
        startSlideshowWithMode(slideshowMode);
}

void AppDelegate::updateScreenSaverInhibition()
{
    if (!screenSaverInhibitor)
        return;
    const bool slideshowRuns = isSlideshowActive() && !slideshowPaused;
    const bool videoPlays = fullSizeView && isFullSizeViewShown() && fullSizeView->isPlayingVideo();
    screenSaverInhibitor->setInhibited(slideshowRuns || videoPlays,
                                       slideshowRuns ? tr("Showing a slideshow") : tr("Playing a video"));
}

void AppDelegate::discardSlideshowTimer()
{
    QTimer *timer = slideshowTimer;
    if (!timer)
        return;
    // Cleared at once, since its presence is what makes a slideshow active; deleted later,
    // since this may run inside the timer's own tick.
    slideshowTimer = nullptr;
    timer->stop();
    timer->deleteLater();
}

void AppDelegate::setSlideshowToolbarItemImage(const QString &name)
{
    // The toolbar exists only in a complete window.
    if (!slideshowToolbarItem)
        return;
    slideshowToolbarItem->setImage(LMRImageNamed(name));
}

void AppDelegate::showSlideshowRunning(bool running)
{
    if (startSlideshowMenuItem)
        startSlideshowMenuItem->setText(running ? tr("Stop Slideshow") : tr("Start Slideshow"));
    setSlideshowToolbarItemImage(LMRAppearanceImageName(running ? QStringLiteral("toolbar-slideshow-stop")
                                                                : QStringLiteral("toolbar-slideshow")));
    // Arrow keys still step during a slideshow; the buttons would only fight the timer.
    if (fullSizeNavigationControl)
        fullSizeNavigationControl->setEnabled(!running);
}
