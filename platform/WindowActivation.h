#pragma once
// Bringing a window forward with the focus when the user asked for it from somewhere else (a
// second launch handing its folder over). On X11 a program may simply ask. A Wayland compositor
// lets a program take the focus only with an activation token (xdg-activation) from whoever the
// user acted on: a launcher hands one to the process it starts, which passes it on; without one
// the compositor may only mark the window as wanting attention.

#include <QString>

#include <functional>

class QWidget;

namespace LMRWindowActivation {

// Shows the window (restoring it when minimised), raises it and asks for the focus, with the
// token where the platform uses one. An empty token asks without one.
void activate(QWidget *window, const QString &activationToken);
// The same, past any test handler.
void bringForward(QWidget *window, const QString &activationToken);

// Tests see the request here instead. Returns the previous handler; an empty one restores the
// real one.
using Handler = std::function<void(QWidget *window, const QString &activationToken)>;
Handler setHandlerForTesting(Handler handler);

} // namespace LMRWindowActivation
