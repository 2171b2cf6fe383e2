#include "model/DirectoryEnumerationThread.h"

#include "model/FileSystemImageItem.h"
#include "support/HeapMemory.h"
#include "support/Log.h"

#include <QCoreApplication>
#include <QFile>
#include <QObject>
#include <QSet>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kBatchSize = 100;

// Delivers messages on the consumer's thread. It checks there, and only there, whether the
// consumer still exists, since a QObject may only be asked that on its own thread.
class EnumerationRelay : public QObject
{
public:
    explicit EnumerationRelay(QObject *receiver) : m_receiver(receiver) {}
    QPointer<QObject> m_receiver;
};

std::mutex s_runningMutex;
std::condition_variable s_runningChanged;
int s_running = 0;

// A folder's entry between reading the folder and making its item. Its name lies in the
// folder's name buffer: a folder of 10,000 files is read with two allocations a file fewer, and
// entries small enough to sort and grow by the thousand without touching megabytes of memory.
struct Entry {
    qsizetype nameOffset;
    unsigned char type;   // d_type
    QByteArray sortKey;   // set when the walk delivers in name order
};

// The size of a folder's listing, which tells how many entries it holds: each takes at least 8
// bytes and its name, and on ext4 about 32 bytes for a camera's file names.
qint64 listingBytes(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && info.st_size > 0 ? qint64(info.st_size) : 0;
}

// Room for a folder's entries: only the room that is filled is ever touched.
size_t entryCapacity(qint64 listingBytes)
{
    return size_t(std::min<qint64>(listingBytes / 16, 1 << 20));
}

// The heap a folder's items take while they are made: the item, its path, its collation key and
// the entry it is made from come to about 500 bytes a file. Up to 8 MB is made resident at once
// (the first 16,000 files of a larger folder); nothing for a folder of fewer than about 2,000,
// whose pages are not worth a call of their own in a walk through a thousand folders.
size_t itemHeapBytes(qint64 listingBytes)
{
    const qint64 bytes = listingBytes / 32 * 512;
    return bytes < 1024 * 1024 ? 0 : size_t(std::min<qint64>(bytes, 8 * 1024 * 1024));
}

QByteArray childPath(const QByteArray &folder, const char *name)
{
    QByteArray path = folder;
    if (!path.endsWith('/'))
        path += '/';
    path += name;
    return path;
}

} // namespace

std::shared_ptr<LMRDirectoryEnumerationThread> LMRDirectoryEnumerationThread::create(
    LMRDirectoryEnumerationThreadConsumer *consumer, qint64 depth, const QString &path,
    const QVariant &userInfo)
{
    return std::shared_ptr<LMRDirectoryEnumerationThread>(
        new LMRDirectoryEnumerationThread(consumer, depth, path, userInfo));
}

LMRDirectoryEnumerationThread::LMRDirectoryEnumerationThread(
    LMRDirectoryEnumerationThreadConsumer *consumer, qint64 depth, const QString &path,
    const QVariant &userInfo)
    : m_consumer(consumer),
      m_path(path),
      m_depth(depth),
      m_userInfo(userInfo.isValid() ? userInfo : QVariant(QString(QLatin1String(""))))
{
    auto *receiver = dynamic_cast<QObject *>(consumer);
    if (!receiver)
        qWarning("LMRDirectoryEnumerationThread: the consumer is not a QObject; it gets no messages");
    m_relay = new EnumerationRelay(receiver);
    if (receiver)
        m_relay->moveToThread(receiver->thread());
}

LMRDirectoryEnumerationThread::~LMRDirectoryEnumerationThread()
{
    // Safe from any thread; pending deliveries hold this object, so none are left by now. The
    // last of them may be dropped when the application object itself is taken down, while it
    // holds the lock a post would wait for: then the relay goes with the process.
    if (QCoreApplication::instance())
        m_relay->deleteLater();
}

QUrl LMRDirectoryEnumerationThread::URL() const
{
    return QUrl::fromLocalFile(m_path.endsWith(u'/') ? m_path : m_path + u'/');
}

bool LMRDirectoryEnumerationThread::isPackageName(const QString &name)
{
    static const QSet<QString> extensions = {
        QStringLiteral("app"),          QStringLiteral("appex"),      QStringLiteral("aplibrary"),
        QStringLiteral("bundle"),       QStringLiteral("component"),  QStringLiteral("dsym"),
        QStringLiteral("fcpbundle"),    QStringLiteral("framework"),  QStringLiteral("imovielibrary"),
        QStringLiteral("kext"),         QStringLiteral("mdimporter"), QStringLiteral("mpkg"),
        QStringLiteral("photolibrary"), QStringLiteral("photoslibrary"), QStringLiteral("pkg"),
        QStringLiteral("plugin"),       QStringLiteral("prefpane"),   QStringLiteral("qlgenerator"),
        QStringLiteral("rtfd"),         QStringLiteral("saver"),      QStringLiteral("wdgt"),
        QStringLiteral("xcodeproj"),    QStringLiteral("xpc"),
    };
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return false;
    return extensions.contains(name.mid(dot + 1).toLower());
}

void LMRDirectoryEnumerationThread::start()
{
    if (m_started)
        return;
    m_started = true;
    {
        std::lock_guard<std::mutex> lock(s_runningMutex);
        ++s_running;
    }
    // Detached: the owner never waits for a walk, and the walk keeps this object alive itself.
    std::thread([self = shared_from_this()]() mutable {
        self->run();
        self.reset();
        std::lock_guard<std::mutex> lock(s_runningMutex);
        --s_running;
        s_runningChanged.notify_all();
    }).detach();
}

void LMRDirectoryEnumerationThread::waitForRunningWalks()
{
    std::unique_lock<std::mutex> lock(s_runningMutex);
    s_runningChanged.wait(lock, [] { return s_running == 0; });
}

void LMRDirectoryEnumerationThread::send(std::vector<LMRImageItemPtr> items, bool done, int error)
{
    LMRDirectoryEnumerationMessage message;
    message.items = std::move(items);
    message.thread = shared_from_this();
    message.done = done;
    message.userInfo = m_userInfo;
    message.error = error;
    auto *relay = static_cast<EnumerationRelay *>(m_relay);
    LMRDirectoryEnumerationThreadConsumer *consumer = m_consumer;
    QMetaObject::invokeMethod(
        relay,
        [relay, consumer, message = std::move(message)] {
            if (relay->m_receiver)
                consumer->didReceiveItemsFromDirectoryEnumerationThread(message);
        },
        Qt::QueuedConnection);
}

void LMRDirectoryEnumerationThread::run()
{
    // The root is resolved once; below it every folder is entered by its real name (links to
    // folders are listed, not entered), so entry paths need no resolving of their own.
    QByteArray root = QFile::encodeName(m_path);
    char resolved[PATH_MAX];
    if (::realpath(root.constData(), resolved))
        root = resolved;
    const int rootFd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) {
        const int error = errno;
        LMRLog(QStringLiteral("Couldn't create directory enumerator"));
        // The consumer is waiting for the end of the walk (its busy indicator turns until then)
        // and is the one to tell the user why the folder shows nothing.
        send({}, true, error);
        return;
    }

    struct Folder {
        QByteArray path;
        quint64 level;   // the level of its entries: the root's own entries are level 1
    };
    // Depth first, one folder open at a time: a folder is read to its end and closed before
    // its sub-folders are entered, so a deep tree cannot run out of file descriptors.
    std::vector<Folder> pending{{root, 1}};
    std::vector<LMRImageItemPtr> batch;
    QSet<quint64> batchHashes;
    batch.reserve(kBatchSize);
    const bool unlimited = m_depth == -1;
    // As an unsigned number, so that any other negative depth also means every level.
    const quint64 deepestLevel = quint64(m_depth + 1);
    bool first = true;
    int rootError = 0;

    while (!pending.empty() && !isCancelled()) {
        const Folder folder = std::move(pending.back());
        pending.pop_back();
        const bool isRoot = first;
        const int fd = first ? rootFd
                             : ::open(folder.path.constData(),
                                      O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        first = false;
        if (fd < 0) {
            LMRLog(LMRFileSystemItem::errorDescription(QFile::decodeName(folder.path), errno));
            continue;
        }
        DIR *stream = ::fdopendir(fd);
        if (!stream) {
            if (isRoot)
                rootError = errno;
            LMRLog(LMRFileSystemItem::errorDescription(QFile::decodeName(folder.path), errno));
            ::close(fd);
            continue;
        }
        // Folders below the depth limit hold nothing that would be listed, so they are not
        // entered at all; depth 0 enters no folder.
        const bool enterSubfolders = m_depth != 0 && (unlimited || folder.level + 1 <= deepestLevel);
        const bool listEntries = unlimited || folder.level <= deepestLevel;
        std::vector<QByteArray> subfolders;

        // The folder's names are read to the end first, and put in the order the list will be
        // sorted in when there is one: then the first batches hold the first screen of the
        // sorted list, and the thumbnails rendered while the rest is listed stay on it.
        const bool ordered = m_order != Order::Any && listEntries;
        // Paths are decoded as the folder's once and each name's, not whole for every entry.
        QString decodedFolder = QFile::decodeName(folder.path);
        if (!decodedFolder.endsWith(u'/'))
            decodedFolder += u'/';
        const qint64 listingSize = listingBytes(fd);
        // Not written ahead: the first batch would wait for that, where the pages' first
        // writes are spread over the whole listing.
        if (listEntries && !m_foldersOnly)
            LMRHeapMemory::prefault(itemHeapBytes(listingSize), false);
        std::vector<Entry> entries;
        entries.reserve(entryCapacity(listingSize));
        QByteArray names;
        for (;;) {
            errno = 0;
            const dirent *entry = ::readdir(stream);
            if (!entry) {
                if (errno != 0) {
                    // A folder that opens but cannot be listed (no read permission, a card
                    // pulled out) is as unreadable as one that does not open.
                    if (isRoot)
                        rootError = errno;
                    LMRLog(LMRFileSystemItem::errorDescription(QFile::decodeName(folder.path), errno));
                }
                break;
            }
            // Hidden entries, "." and ".." among them, are neither listed nor entered.
            if (entry->d_name[0] == '.')
                continue;
            if (isCancelled())
                break;
            // A folder walk skips files by their type in the folder itself: in a folder of
            // 10,000 photos that is 10,000 statx calls and items not made.
            if (m_foldersOnly && entry->d_type != DT_DIR && entry->d_type != DT_LNK
                && entry->d_type != DT_UNKNOWN)
                continue;
            Entry kept{names.size(), entry->d_type, {}};
            names.append(entry->d_name, qsizetype(std::strlen(entry->d_name)) + 1);
            if (ordered)
                kept.sortKey = LMRFileSystemItem::sortKeyForName(QFile::decodeName(entry->d_name));
            entries.push_back(std::move(kept));
        }
        if (ordered) {
            const bool descending = m_order == Order::NameDescending;
            std::stable_sort(entries.begin(), entries.end(), [descending](const Entry &a, const Entry &b) {
                return descending ? b.sortKey < a.sortKey : a.sortKey < b.sortKey;
            });
        }

        for (const Entry &entry : entries) {
            if (isCancelled())
                break;
            const char *name = names.constData() + entry.nameOffset;
            const QString decodedName = QFile::decodeName(name);
            const QString decodedPath = decodedFolder + decodedName;
            LMRImageItemPtr item;
            bool isLink = entry.type == DT_LNK;
            if (!isLink) {
                struct statx info {};
                if (::statx(fd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                            STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME,
                            &info) != 0) {
                    LMRLog(LMRFileSystemItem::errorDescription(decodedPath, errno));
                    continue;
                }
                isLink = S_ISLNK(info.stx_mode);
                if (!isLink && m_foldersOnly && !S_ISDIR(info.stx_mode))
                    continue;
                if (!isLink) {
                    if (listEntries) {
                        LMRFileSystemItem::Facts facts = LMRFileSystemItem::factsFromStatx(decodedPath, info);
                        facts.nameSortKey = entry.sortKey;
                        item = std::make_shared<LMRFileSystemImageItem>(facts);
                    }
                    if (S_ISDIR(info.stx_mode) && enterSubfolders && !isPackageName(decodedName))
                        subfolders.push_back(childPath(folder.path, name));
                }
            }
            // A link is made into the item of its target (resolved, stated and, if dangling,
            // logged by the item itself).
            if (isLink && listEntries) {
                struct stat target {};
                if (m_foldersOnly && (::fstatat(fd, name, &target, 0) != 0 || !S_ISDIR(target.st_mode)))
                    continue;
                item = std::make_shared<LMRFileSystemImageItem>(decodedPath);
            }
            if (!item || batchHashes.contains(item->storedHash()))
                continue;
            batchHashes.insert(item->storedHash());
            batch.push_back(std::move(item));
            if (batch.size() == kBatchSize) {
                send(std::move(batch), false);
                batch = {};
                batch.reserve(kBatchSize);
                batchHashes.clear();
            }
        }
        ::closedir(stream);
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
            pending.push_back({std::move(*it), folder.level + 1});
    }
    if (first)
        ::close(rootFd);   // cancelled before the root was read
    send(std::move(batch), true, rootError);
}
