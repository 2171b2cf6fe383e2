#include "support/NotificationCenter.h"

#include <algorithm>

LMRNotificationCenter &LMRNotificationCenter::defaultCenter()
{
    static LMRNotificationCenter center;
    return center;
}

void LMRNotificationCenter::addObserver(QObject *observer, const QString &name,
                                        std::function<void()> handler)
{
    QMutexLocker locker(&m_mutex);
    m_registrations.push_back({observer, name, std::move(handler), m_nextId++});
    if (!m_destroyConnections.contains(observer)) {
        m_destroyConnections.insert(
            observer, connect(observer, &QObject::destroyed, this,
                              [this, observer] { removeObserver(observer); }, Qt::DirectConnection));
    }
}

void LMRNotificationCenter::removeObserver(QObject *observer)
{
    QMutexLocker locker(&m_mutex);
    std::erase_if(m_registrations, [observer](const Registration &r) { return r.observer == observer; });
    const auto connection = m_destroyConnections.take(observer);
    disconnect(connection);
}

void LMRNotificationCenter::removeObserver(QObject *observer, const QString &name)
{
    QMutexLocker locker(&m_mutex);
    std::erase_if(m_registrations, [&](const Registration &r) {
        return r.observer == observer && r.name == name;
    });
}

void LMRNotificationCenter::post(const QString &name)
{
    // Handlers run without the lock, so that they may register, remove or post in turn. A
    // registration removed by an earlier handler of the same post is not called.
    std::vector<quint64> ids;
    {
        QMutexLocker locker(&m_mutex);
        for (const auto &r : m_registrations)
            if (r.name == name)
                ids.push_back(r.id);
    }
    for (quint64 id : ids) {
        std::function<void()> handler;
        {
            QMutexLocker locker(&m_mutex);
            const auto it = std::find_if(m_registrations.begin(), m_registrations.end(),
                                         [id](const Registration &r) { return r.id == id; });
            if (it == m_registrations.end())
                continue;
            handler = it->handler;
        }
        handler();
    }
}

int LMRNotificationCenter::observerCount(const QString &name) const
{
    QMutexLocker locker(&m_mutex);
    return int(std::count_if(m_registrations.begin(), m_registrations.end(),
                             [&](const Registration &r) { return r.name == name; }));
}
