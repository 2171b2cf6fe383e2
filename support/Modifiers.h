#pragma once
// The state of the modifier keys, and what it decides: skipping the stored root at start-up,
// copying instead of moving the files of a drop.

#include <Qt>

class QDropEvent;

namespace LMREvent {
// True exactly when the desktop's copy modifier (Ctrl) is held and no other modifier key, at
// this moment, as the window system answers a query. It stands where the Option key alone is
// asked for. On Wayland the answer only knows what this program's own windows were told.
bool isOptionKeyPressed();

// The same rule for a given modifier state.
bool isCopyModifierAlone(Qt::KeyboardModifiers modifiers);

// Whether the window system answers a query of the keyboard at any moment (X11, and the
// offscreen platform of the tests), rather than only telling a program about the keys pressed
// while one of its windows has the focus (Wayland: nothing while another program drags).
bool canQueryKeyboardModifiers();

// Copy or move for files dropped from another program, or none when the source does not allow
// what is asked. The copy modifier alone copies, anything else moves. The event's own modifiers
// count first; when it carries none, the queried ones where the window system can be queried.
// Where the keyboard cannot be known at all, a source that offers copying only (its proposed
// action) is taken at its word, since the user has no way to ask for the copy.
Qt::DropAction dropAction(Qt::DropActions possible, Qt::DropAction proposed, Qt::KeyboardModifiers eventModifiers,
                          bool canQuery, Qt::KeyboardModifiers queried);
Qt::DropAction dropAction(const QDropEvent *event);
} // namespace LMREvent
