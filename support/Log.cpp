#include "support/Log.h"

#include <QDebug>

void LMRLog(const QString &message)
{
    qInfo().noquote() << message;
}
