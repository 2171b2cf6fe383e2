// Operations of AppDelegate that are not written yet. Each keeps its name and its place in the
// sequences that call it, and records the call (placeholderCalls) so that the order of start-up
// and shutdown can be checked meanwhile. Answers asked by views many times a second, or read
// by menus, are given from the state directly and not recorded.
//
// An operation leaves this file when it gets its body, into the folder of its concern:
// browse/ (thumbnail list, loading thread, grid delegate), viewer/ (full-size navigation),
// sidebar/, slideshow/, app/ (commands).

#include "app/AppDelegate.h"

#include <QAction>
#include <QTimer>

void AppDelegate::notePlaceholderCall(const QString &name, const QString &argument)
{
    placeholderCalls.append(argument.isNull() ? name : name + QLatin1Char(' ') + argument);
}
