#pragma once
// Shared by the app tests: a delegate launched on fresh settings and shut down again, and the
// modifier keys as the start-up sequence reads them.

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "prefs/Preferences.h"
#include "support/TestRunner.h"

namespace apptest {

// Runs the start-up sequence; the caller sets preferences before.
inline std::unique_ptr<AppDelegate> launchDelegate()
{
    auto delegate = std::make_unique<AppDelegate>();
    delegate->launch();
    return delegate;
}

// Shutdown as at exit, then the delegate goes; nothing waits for the loading thread.
inline void terminate(std::unique_ptr<AppDelegate> &delegate)
{
    if (!delegate)
        return;
    delegate->applicationWillTerminate();
    delegate.reset();
}

// Under the offscreen platform the modifier state is the one of the last simulated key event.
inline void holdModifiers(Qt::KeyboardModifiers modifiers)
{
    QWidget anchor;
    if (modifiers & Qt::ShiftModifier)
        QTest::keyPress(&anchor, Qt::Key_Shift, modifiers);
    if (modifiers & Qt::ControlModifier)
        QTest::keyPress(&anchor, Qt::Key_Control, modifiers);
}

inline void releaseModifiers()
{
    QWidget anchor;
    QTest::keyRelease(&anchor, Qt::Key_Control, Qt::NoModifier);
    QTest::keyRelease(&anchor, Qt::Key_Shift, Qt::NoModifier);
}

} // namespace apptest
