#pragma once
// How assistive technology (a screen reader, a magnifier) sees the thumbnail grid: a list whose
// children are the items, each with its file name as name, its kind (image, PDF, video) as
// description, its selected and focused state and its place on screen. The grid has no child
// widgets for its items, so each item is an accessible object of its own, made when first asked
// for and forgotten when the list changes.
//
// The grid reports its changes through LMRGridAccessibility; nothing is sent while no
// assistive technology listens.

#include "grid/IndexSet.h"

#include <QtGlobal>

#include <functional>

class ImageCollectionView;
class QAccessibleEvent;
class QAccessibleInterface;
class QObject;
class QString;

namespace LMRGridAccessibility {

// The factory Qt asks for the grid's interface (and for the clickable images' interfaces);
// installed once, when the first grid is made.
void installFactory();

// Whether assistive technology listens (a platform bridge is active, or a test does); the grid
// keeps no record for it and sends nothing while it does not.
bool isListening();
// Tests hear every event the grid sends here (no bridge listens on the offscreen platform).
using EventSink = std::function<void(const QAccessibleEvent &event)>;
void setEventSinkForTesting(EventSink sink);

// The items were replaced or re-ordered: every item object made so far stands for nothing now.
void listChanged(ImageCollectionView *view);
// The selection changed from before to the view's current one; the current item may have moved.
void selectionChanged(ImageCollectionView *view, const LMRIndexSet &before, qint64 currentBefore);
// The grid gained the keyboard focus: its current item is what has it.
void focusChanged(ImageCollectionView *view);

} // namespace LMRGridAccessibility
