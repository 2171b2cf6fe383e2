#pragma once
// The state of the modifier keys at this moment, not tied to an event.

namespace LMREvent {
// True exactly when the desktop's copy modifier (Ctrl) is held and no other modifier key.
// It stands where the Option key alone is asked for: skipping the stored root at start-up,
// copying instead of moving on a drop.
bool isOptionKeyPressed();
} // namespace LMREvent
