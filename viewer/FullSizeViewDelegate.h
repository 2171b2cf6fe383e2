#pragma once
// What the full-size viewer asks of whoever decides which item it shows: leaving, stepping, the
// slideshow's pause, and which items are likely to be shown next (to decode them ahead). The
// viewer calls nothing else outside itself.
//
// AppDelegate answers through LMRAppDelegateFullSizeViewDelegate, so that the viewer depends on
// these few calls only and can be driven without a main window.

#include "model/FileSystemImageItem.h"

#include <QPointer>

#include <vector>

class AppDelegate;
class FullSizeView;

class FullSizeViewDelegate
{
public:
    virtual ~FullSizeViewDelegate() = default;

    virtual void cancelFullSizeView(FullSizeView *sender) = 0;
    virtual void showPreviousImageInFullSizeView(FullSizeView *sender) = 0;
    virtual void showNextImageInFullSizeView(FullSizeView *sender) = 0;
    virtual bool isSlideshowActive() const = 0;
    virtual bool isSlideshowPaused() const = 0;
    virtual void pauseSlideshow() = 0;
    virtual void unpauseSlideshow() = 0;
    // The items that a step from shown would show, most likely first.
    virtual std::vector<LMRImageItemPtr> itemsNearFullSizeItem(const LMRImageItemPtr &shown) const = 0;
};

class LMRAppDelegateFullSizeViewDelegate : public FullSizeViewDelegate
{
public:
    explicit LMRAppDelegateFullSizeViewDelegate(AppDelegate *appDelegate);
    AppDelegate *appDelegate() const;

    void cancelFullSizeView(FullSizeView *sender) override;
    void showPreviousImageInFullSizeView(FullSizeView *sender) override;
    void showNextImageInFullSizeView(FullSizeView *sender) override;
    bool isSlideshowActive() const override;
    bool isSlideshowPaused() const override;
    void pauseSlideshow() override;
    void unpauseSlideshow() override;
    // Next, previous, then the one after next, in the order being stepped through: the shuffled
    // one during a shuffled slideshow, else the list; wrapping while a slideshow runs.
    std::vector<LMRImageItemPtr> itemsNearFullSizeItem(const LMRImageItemPtr &shown) const override;

private:
    QPointer<AppDelegate> m_appDelegate;
};
