#pragma once
// LMRDirectoryEnumerationThread walks one folder on a thread of its own and hands the items it
// makes to a consumer on the consumer's thread, in batches of 100 and a final message marked
// done (sent exactly once for every walk that was started: also after a cancel, and also when
// the folder cannot be opened, so that a consumer waiting for the end always sees it).
// Hidden entries and the contents of packages are left out; which entries the consumer keeps
// is its own business. It shares nothing with other threads but the queued messages.
//
// Its own walker over the POSIX directory calls with one statx per entry, so that 100,000
// files list in about the time find(1) takes.

#include "model/FileSystemItem.h"

#include <QPointer>
#include <QString>
#include <QVariant>

#include <atomic>
#include <memory>
#include <vector>

class LMRDirectoryEnumerationThread;
class QObject;

struct LMRDirectoryEnumerationMessage {
    // No two equal (stored-hash equality); empty in a final message without items.
    std::vector<LMRImageItemPtr> items;
    // The sender, for telling walks apart by identity. Held, so that its address cannot be
    // taken by a later walk while a stale message is still on its way.
    std::shared_ptr<LMRDirectoryEnumerationThread> thread;
    bool done = false;
    QVariant userInfo;   // the caller's, or "" when it gave none
    // Set in the final message only: the errno that kept the walk from opening or reading the
    // folder itself (not one of its sub-folders, which are logged and passed over).
    int error = 0;
};

// Implemented by a QObject (the cast to QObject is made when a walk is created): messages are
// queued calls to that object, which is also how a consumer destroyed meanwhile is left out.
class LMRDirectoryEnumerationThreadConsumer
{
public:
    virtual ~LMRDirectoryEnumerationThreadConsumer() = default;
    virtual void didReceiveItemsFromDirectoryEnumerationThread(
        const LMRDirectoryEnumerationMessage &message) = 0;
};

class LMRDirectoryEnumerationThread
    : public std::enable_shared_from_this<LMRDirectoryEnumerationThread>
{
public:
    // depth: 0 the folder's own entries; -1 (any negative) every level; n > 0 down to n
    // levels below the folder's own entries. Created on the consumer's thread, not started.
    static std::shared_ptr<LMRDirectoryEnumerationThread> create(
        LMRDirectoryEnumerationThreadConsumer *consumer, qint64 depth, const QString &path,
        const QVariant &userInfo = QVariant());
    ~LMRDirectoryEnumerationThread();

    // The order a folder's items are made and sent in: by the name order of the list they go
    // to, when it has one, so that the first batches carry its first screen. Any other order
    // is sorted by the consumer anyway. Set before start().
    enum class Order { Any, NameAscending, NameDescending };
    void setDeliveryOrder(Order order) { m_order = order; }

    // Only folders (and links to folders) are made into items; files are passed over without
    // being stated. For a walk whose consumer keeps nothing else. Set before start().
    void setFoldersOnly(bool foldersOnly) { m_foldersOnly = foldersOnly; }

    // The walk keeps this object alive until it has ended.
    void start();
    // The walk stops before its next entry and still sends its final message.
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    QString path() const { return m_path; }
    QUrl URL() const;
    qint64 depth() const { return m_depth; }

    // A directory with one of these extensions is a package: listed, never entered.
    static bool isPackageName(const QString &name);

    // For the end of the process: waits until no walk runs (cancel them first).
    static void waitForRunningWalks();

private:
    LMRDirectoryEnumerationThread(LMRDirectoryEnumerationThreadConsumer *consumer, qint64 depth,
                                  const QString &path, const QVariant &userInfo);
    void run();
    void send(std::vector<LMRImageItemPtr> items, bool done, int error = 0);

    LMRDirectoryEnumerationThreadConsumer *m_consumer;
    QObject *m_relay;   // lives on the consumer's thread; delivers and checks the consumer is alive
    QString m_path;
    qint64 m_depth;
    QVariant m_userInfo;
    std::atomic<bool> m_cancelled{false};
    bool m_started = false;
    bool m_foldersOnly = false;
    Order m_order = Order::Any;
};
