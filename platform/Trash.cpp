#include "platform/Trash.h"

#include <QCoreApplication>

#if !LUMORY_HAVE_GIO
// Without GIO nothing is moved: an info file written by hand that a file manager cannot read
// back would make the Trash a place files are lost in.
bool LMRMoveToTrash(const QString &, QString *error)
{
    if (error)
        *error = QCoreApplication::translate("LMRTrash", "Moving to the Trash is not available in this build.");
    return false;
}
#endif
