#pragma once
// A small notification centre keyed by name. Posting delivers synchronously, on the posting
// thread, to every observer registered under the name at the moment of the post. Observers are
// QObjects and are forgotten automatically when they are destroyed.
//
// It stands for both the process-local centre (settings changes) and the desktop-wide one
// (appearance changes): both are delivered the same way here.

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class LMRNotificationCenter : public QObject
{
    Q_OBJECT
public:
    static LMRNotificationCenter &defaultCenter();

    // Registers handler under name for observer. The same observer may register several names.
    void addObserver(QObject *observer, const QString &name, std::function<void()> handler);
    // Forgets every registration of observer.
    void removeObserver(QObject *observer);
    // Forgets observer's registrations for one name.
    void removeObserver(QObject *observer, const QString &name);
    void post(const QString &name);

    int observerCount(const QString &name) const;

private:
    struct Registration {
        QObject *observer;
        QString name;
        std::function<void()> handler;
        quint64 id;
    };
    mutable QMutex m_mutex;
    std::vector<Registration> m_registrations;
    quint64 m_nextId = 1;
    QHash<QObject *, QMetaObject::Connection> m_destroyConnections;
};
