#pragma once
// A failed file operation told to the user as a message box modal to one window only, so that
// the rest of the program keeps running while it is shown. It returns at once; nothing waits
// for the box to close.

#include <QString>

#include <functional>

class QWidget;

namespace LMRErrorSheet {

void show(QWidget *window, const QString &text);

// Tests see the message here instead of a box. Returns the previous handler.
using Handler = std::function<void(QWidget *window, const QString &text)>;
Handler setHandlerForTesting(Handler handler);

} // namespace LMRErrorSheet
