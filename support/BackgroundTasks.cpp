#include "support/BackgroundTasks.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

namespace LMRBackgroundTasks {

QThreadPool &pool()
{
    static QThreadPool *const instance = [] {
        auto *p = new QThreadPool;
        p->setObjectName(QStringLiteral("LMRBackgroundTasks"));
        p->setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
        // A job may still post to the application object; it finishes before that goes.
        qAddPostRoutine([] { LMRBackgroundTasks::pool().waitForDone(); });
        return p;
    }();
    return *instance;
}

} // namespace LMRBackgroundTasks
