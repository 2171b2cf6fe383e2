#include "support/Modifiers.h"

#include <QDropEvent>
#include <QGuiApplication>

namespace LMREvent {

namespace {
// The keypad and group-switch bits say where a key sits, not which modifier is held.
constexpr Qt::KeyboardModifiers kModifierKeys = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
} // namespace

bool isCopyModifierAlone(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & kModifierKeys) == Qt::ControlModifier;
}

bool isOptionKeyPressed()
{
    return isCopyModifierAlone(QGuiApplication::queryKeyboardModifiers());
}

bool canQueryKeyboardModifiers()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform == QLatin1String("offscreen");
}

Qt::DropAction dropAction(Qt::DropActions possible, Qt::DropAction proposed, Qt::KeyboardModifiers eventModifiers,
                          bool canQuery, Qt::KeyboardModifiers queried)
{
    const bool eventKnowsKeys = eventModifiers & kModifierKeys;
    const Qt::KeyboardModifiers held = eventKnowsKeys ? eventModifiers : canQuery ? queried : Qt::NoModifier;
    const Qt::DropAction wanted = isCopyModifierAlone(held) ? Qt::CopyAction : Qt::MoveAction;
    if (possible.testFlag(wanted))
        return wanted;
    // A source that does not allow what is asked would see its files moved (or copied) against
    // its wish; only where the user cannot ask at all does the source's offer decide.
    if (!eventKnowsKeys && !canQuery && proposed == Qt::CopyAction && possible.testFlag(Qt::CopyAction))
        return Qt::CopyAction;
    return Qt::IgnoreAction;
}

Qt::DropAction dropAction(const QDropEvent *event)
{
    const bool canQuery = canQueryKeyboardModifiers();
    return dropAction(event->possibleActions(), event->proposedAction(), event->modifiers(), canQuery,
                      canQuery ? QGuiApplication::queryKeyboardModifiers() : Qt::NoModifier);
}

} // namespace LMREvent
