#include "platform/FolderWatcher.h"

#include "support/Log.h"

#include <QFile>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

std::atomic<int> testWatchLimit{0};

// Once a process: a user who opens one large tree after another needs to be told only once.
std::atomic<bool> limitLogged{false};

constexpr uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_MODIFY
    | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;

void logLimitOnce()
{
    if (!limitLogged.exchange(true))
        LMRLog(QStringLiteral("! The system's limit of folder watches (fs.inotify.max_user_watches) is reached: "
                              "changes in the folders beyond it show after a refresh"));
}

} // namespace

LMRFolderWatcher::LMRFolderWatcher(QObject *parent) : QObject(parent)
{
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) {
        // Out of inotify instances: the program goes on as if nothing were ever watched.
        if (errno == EMFILE || errno == ENFILE || errno == ENOSPC) {
            m_limitReached = true;
            logLimitOnce();
        }
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LMRFolderWatcher::readEvents);
}

LMRFolderWatcher::~LMRFolderWatcher()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void LMRFolderWatcher::setWatchLimitForTesting(int limit)
{
    testWatchLimit = limit;
}

bool LMRFolderWatcher::watch(const QString &folder)
{
    if (m_fd < 0 || m_limitReached || folder.isEmpty())
        return false;
    if (m_wdByFolder.contains(folder))
        return true;
    const int limit = testWatchLimit.load();
    int wd = -1;
    if (limit > 0 && watchCount() >= limit) {
        errno = ENOSPC;
    } else {
        wd = ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), kMask);
    }
    if (wd < 0) {
        if (errno == ENOSPC) {
            m_limitReached = true;
            logLimitOnce();
        }
        return false;
    }
    // One inode seen through two paths has one watch; the later path takes it over.
    if (const QString previous = m_folderByWd.value(wd); !previous.isEmpty())
        m_wdByFolder.remove(previous);
    m_folderByWd.insert(wd, folder);
    m_wdByFolder.insert(folder, wd);
    return true;
}

void LMRFolderWatcher::unwatchTree(const QString &folder)
{
    const QString below = folder + QLatin1Char('/');
    QList<int> gone;
    for (auto it = m_wdByFolder.cbegin(); it != m_wdByFolder.cend(); ++it)
        if (it.key() == folder || it.key().startsWith(below))
            gone.append(it.value());
    for (int wd : gone) {
        ::inotify_rm_watch(m_fd, wd);
        forget(wd);
    }
}

void LMRFolderWatcher::unwatchAll()
{
    for (auto it = m_folderByWd.cbegin(); it != m_folderByWd.cend(); ++it)
        ::inotify_rm_watch(m_fd, it.key());
    m_folderByWd.clear();
    m_wdByFolder.clear();
    // Watches of another set may fit again; an instance that could not be made never will.
    m_limitReached = m_fd < 0;
}

void LMRFolderWatcher::forget(int wd)
{
    const QString folder = m_folderByWd.take(wd);
    if (!folder.isEmpty() && m_wdByFolder.value(folder, -1) == wd)
        m_wdByFolder.remove(folder);
}

void LMRFolderWatcher::readEvents()
{
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            return;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                emit eventsLost();
                continue;
            }
            const QString folder = m_folderByWd.value(event->wd);
            if (folder.isEmpty())
                continue;     // a watch removed meanwhile; its last events still come
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                ::inotify_rm_watch(m_fd, event->wd);
                forget(event->wd);
                emit folderRemoved(folder);
                continue;
            }
            if (event->len == 0)
                continue;
            const QString path = folder + QLatin1Char('/') + QFile::decodeName(event->name);
            const bool isDirectory = event->mask & IN_ISDIR;
            if (event->mask & (IN_DELETE | IN_MOVED_FROM))
                emit entryRemoved(path, isDirectory);
            else
                emit entryChanged(path, isDirectory,
                                  event->mask & IN_CLOSE_WRITE ? Change::Closed
                                  : event->mask & IN_MODIFY    ? Change::Written
                                                               : Change::Other);
        }
    }
}
