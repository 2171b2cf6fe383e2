#include "viewer/FullSizeViewDelegate.h"

#include "app/AppDelegate.h"

#include <algorithm>

LMRAppDelegateFullSizeViewDelegate::LMRAppDelegateFullSizeViewDelegate(AppDelegate *appDelegate)
    : m_appDelegate(appDelegate)
{
}

AppDelegate *LMRAppDelegateFullSizeViewDelegate::appDelegate() const
{
    return m_appDelegate;
}

void LMRAppDelegateFullSizeViewDelegate::cancelFullSizeView(FullSizeView *sender)
{
    if (m_appDelegate)
        m_appDelegate->cancelFullSizeView(sender);
}

void LMRAppDelegateFullSizeViewDelegate::showPreviousImageInFullSizeView(FullSizeView *sender)
{
    if (m_appDelegate)
        m_appDelegate->showPreviousImageInFullSizeView(sender);
}

void LMRAppDelegateFullSizeViewDelegate::showNextImageInFullSizeView(FullSizeView *sender)
{
    if (m_appDelegate)
        m_appDelegate->showNextImageInFullSizeView(sender);
}

bool LMRAppDelegateFullSizeViewDelegate::isSlideshowActive() const
{
    return m_appDelegate && m_appDelegate->isSlideshowActive();
}

bool LMRAppDelegateFullSizeViewDelegate::isSlideshowPaused() const
{
    return m_appDelegate && m_appDelegate->isSlideshowPaused();
}

void LMRAppDelegateFullSizeViewDelegate::pauseSlideshow()
{
    if (m_appDelegate)
        m_appDelegate->pauseSlideshow();
}

void LMRAppDelegateFullSizeViewDelegate::unpauseSlideshow()
{
    if (m_appDelegate)
        m_appDelegate->unpauseSlideshow();
}

std::vector<LMRImageItemPtr> LMRAppDelegateFullSizeViewDelegate::itemsNearFullSizeItem(const LMRImageItemPtr &shown) const
{
    if (!m_appDelegate || !shown)
        return {};
    const AppDelegate &d = *m_appDelegate;
    const bool slideshow = d.isSlideshowActive();
    const bool shuffled = slideshow && d.slideshowMode == 2;
    const std::vector<LMRImageItemPtr> &order = shuffled ? d.shuffledImageItems : d.thumbnailItems;
    const quint64 guess = shuffled ? quint64(std::max<qint64>(0, d.slideshowShuffleIndex)) : d.fullSizeItemIndex;
    qint64 index = -1;
    if (guess < order.size() && order[guess] == shown) {
        index = qint64(guess);
    } else {
        const auto it = std::find(order.begin(), order.end(), shown);
        if (it == order.end())
            return {};
        index = it - order.begin();
    }
    const qint64 count = qint64(order.size());
    std::vector<LMRImageItemPtr> near;
    for (qint64 candidate : {index + 1, index - 1, index + 2}) {
        if (slideshow)
            candidate = (candidate + count) % count;
        if (candidate < 0 || candidate >= count || candidate == index)
            continue;
        const LMRImageItemPtr &item = order[size_t(candidate)];
        if (std::find(near.begin(), near.end(), item) == near.end())
            near.push_back(item);
    }
    return near;
}
