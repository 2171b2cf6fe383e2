#include "support/Modifiers.h"

#include <QGuiApplication>

namespace LMREvent {

bool isOptionKeyPressed()
{
    // The keypad and group-switch bits say where a key sits, not which modifier is held.
    constexpr Qt::KeyboardModifiers modifierKeys =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return (QGuiApplication::queryKeyboardModifiers() & modifierKeys) == Qt::ControlModifier;
}

} // namespace LMREvent
