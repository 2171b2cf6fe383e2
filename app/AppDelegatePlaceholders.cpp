// Operations of AppDelegate that are not written yet. Each keeps its name and its place in the
// sequences that call it, and records the call (placeholderCalls) so that the order of start-up
// and shutdown can be checked meanwhile. Answers asked by views many times a second, or read
// by menus, are given from the state directly and not recorded.
//
// An operation leaves this file when it gets its body, into the folder of its concern:
// browse/ (thumbnail list, loading thread, grid delegate), viewer/ (full-size navigation),
// sidebar/, slideshow/, app/ (commands).

#include "app/AppDelegate.h"

#include <QAction>
#include <QTimer>

void AppDelegate::notePlaceholderCall(const QString &name, const QString &argument)
{
    placeholderCalls.append(argument.isNull() ? name : name + QLatin1Char(' ') + argument);
}

// --- Life cycle

void AppDelegate::showPreferences(QObject *)
{
    notePlaceholderCall(QStringLiteral("showPreferences"));
}

// --- Commands of the menus and toolbar

void AppDelegate::revealSelectedThumbnailsInFinder(QObject *)
{
    notePlaceholderCall(QStringLiteral("revealSelectedThumbnailsInFinder"));
}

void AppDelegate::showLumoryWebsite(QObject *)
{
    notePlaceholderCall(QStringLiteral("showLumoryWebsite"));
}

bool AppDelegate::validateAction(QAction *)
{
    return true;
}

// --- The grid's delegate, zoom, deletion

void AppDelegate::collectionViewDidDoubleClickItemAtIndexPath(ImageCollectionView *, qint64 index)
{
    notePlaceholderCall(QStringLiteral("collectionViewDidDoubleClickItemAtIndexPath"), QString::number(index));
}

void AppDelegate::collectionViewDeleteSelectedItems(ImageCollectionView *)
{
    notePlaceholderCall(QStringLiteral("collectionViewDeleteSelectedItems"));
}

void AppDelegate::collectionViewReceivedItemsByDrag(ImageCollectionView *, const std::vector<LMRImageItemPtr> &)
{
    notePlaceholderCall(QStringLiteral("collectionViewReceivedItemsByDrag"));
}

void AppDelegate::deleteSelectedItems(QObject *)
{
    notePlaceholderCall(QStringLiteral("deleteSelectedItems"));
}

void AppDelegate::didDeleteItems(const std::vector<LMRImageItemPtr> &)
{
    notePlaceholderCall(QStringLiteral("didDeleteItems"));
}

// --- Full-size navigation

void AppDelegate::showItemWithIndexInFullSizeView(quint64 index)
{
    notePlaceholderCall(QStringLiteral("showItemWithIndexInFullSizeView"), QString::number(index));
}

void AppDelegate::showFullSizeView()
{
    notePlaceholderCall(QStringLiteral("showFullSizeView"));
}

void AppDelegate::cancelFullSizeView(QObject *)
{
    notePlaceholderCall(QStringLiteral("cancelFullSizeView"));
}

void AppDelegate::showNextImageInFullSizeView(QObject *)
{
    notePlaceholderCall(QStringLiteral("showNextImageInFullSizeView"));
}

void AppDelegate::showPreviousImageInFullSizeView(QObject *)
{
    notePlaceholderCall(QStringLiteral("showPreviousImageInFullSizeView"));
}

void AppDelegate::didClickFullSizeViewNavigationButton(QObject *)
{
    notePlaceholderCall(QStringLiteral("didClickFullSizeViewNavigationButton"));
}

void AppDelegate::validateFullSizeNavigationControl()
{
    notePlaceholderCall(QStringLiteral("validateFullSizeNavigationControl"));
}

// --- Slideshow

void AppDelegate::startSlideshow(QObject *)
{
    notePlaceholderCall(QStringLiteral("startSlideshow"));
}

void AppDelegate::startShuffledSlideshow(QObject *)
{
    notePlaceholderCall(QStringLiteral("startShuffledSlideshow"));
}

void AppDelegate::startSlideshowWithMode(qint64 mode)
{
    notePlaceholderCall(QStringLiteral("startSlideshowWithMode"), QString::number(mode));
}

void AppDelegate::stopSlideshow()
{
    notePlaceholderCall(QStringLiteral("stopSlideshow"));
}

void AppDelegate::slideshowTimerFired()
{
    notePlaceholderCall(QStringLiteral("slideshowTimerFired"));
}

void AppDelegate::pauseSlideshow()
{
    notePlaceholderCall(QStringLiteral("pauseSlideshow"));
}

void AppDelegate::unpauseSlideshow()
{
    notePlaceholderCall(QStringLiteral("unpauseSlideshow"));
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
    notePlaceholderCall(QStringLiteral("didChangeSlideshowPacing"));
}
