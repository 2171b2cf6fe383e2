#pragma once
// Decodes the full images of the item on show and of the items next to it, on threads of its own,
// so that the main thread never waits for a decode and stepping finds the neighbours ready. It
// draws each one down to the size it will be fitted to, as the image view would. It holds the
// shown item's image and those of a few neighbours (the ones asked for last) and forgets the
// rest; a result is matched to its item by identity and dropped when the item is no longer
// wanted by the time its decode ends.
//
// The image it hands out is exactly what the item's fullSizeImage answers.

#include "model/FileSystemImageItem.h"

#include <QImage>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LMRFullSizeImagePrefetcher
{
public:
    // Decoded neighbours kept besides the shown image. A 24-megapixel photo takes 96 MB, so this
    // bounds the memory at four such images.
    static constexpr size_t kMaxNeighbours = 3;
    // Two decodes side by side: one full decode takes longer than a quick user's pause between
    // steps, two at once keep up on two cores.
    static constexpr int kWorkerCount = 2;

    struct Result {
        LMRImage image;
        // The image drawn down for the fitted frame in the area given with the request; null when
        // the image view would draw directly (no shrinking) or nothing was made.
        QImage fitted;
    };

    LMRFullSizeImagePrefetcher();
    // Cancels the workers without waiting for a decode in progress; they end by themselves.
    ~LMRFullSizeImagePrefetcher();

    // What to hold from now on: the shown item (when given), then its neighbours, most wanted
    // first, decoded in that order; what is held already is kept, never decoded again.
    // Everything else is forgotten; a decode running for an item no longer wanted finishes and
    // is dropped. area and devicePixelRatio are those of the visible area the images will be
    // fitted to.
    void setWanted(const LMRImageItemPtr &shown, const std::vector<LMRImageItemPtr> &neighbours, QSize area,
                   qreal devicePixelRatio);
    // Called on a worker, with the prefetcher's lock held, each time an item's decode has ended
    // and its result is held; it must not call the prefetcher (hand the item on with a queued
    // call). No call comes once the prefetcher is destroyed or another function is set.
    void setDecodedCallback(std::function<void(const LMRImageItemPtr &item)> decoded);
    // The item's result if it is held and decoded; never waits.
    std::optional<Result> decodedResult(const LMRImageItemPtr &item) const;
    bool isReady(const LMRImageItemPtr &item) const;
    // Blocks until nothing wanted is left to decode (tests and the benchmark's set-up).
    void waitUntilIdle();

    // The work of one item, as a plain function: decode, then draw down for the area.
    static Result decode(const LMRImageItemPtr &item, QSize area, qreal devicePixelRatio);

private:
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> m_shared;
};
