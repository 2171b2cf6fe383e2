#include "platform/WindowActivation.h"

#include <QGuiApplication>
#include <QWidget>

#include <utility>

namespace LMRWindowActivation {

namespace {
Handler &testHandler()
{
    static Handler handler;
    return handler;
}
} // namespace

void activate(QWidget *window, const QString &activationToken)
{
    if (window && testHandler())
        testHandler()(window, activationToken);
    else
        bringForward(window, activationToken);
}

void bringForward(QWidget *window, const QString &activationToken)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    // Qt's Wayland platform (6.4) takes the token for the next activation request from the
    // environment, as a freshly launched program finds it, and unsets it once used.
    if (!activationToken.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    window->activateWindow();
}

Handler setHandlerForTesting(Handler handler)
{
    return std::exchange(testHandler(), std::move(handler));
}

} // namespace LMRWindowActivation
