#include "model/FileSystemItem.h"

#include "model/MimeTypeLookup.h"
#include "platform/NameCollation.h"
#include "support/Log.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Symbolic links are resolved in every component. A path that does not exist (an item is made
// even then) keeps its unresolved last components after its deepest existing folder.
QString resolvePath(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    char resolved[PATH_MAX];
    if (::realpath(QFile::encodeName(absolute).constData(), resolved))
        return QFile::decodeName(resolved);
    QString head = QDir::cleanPath(absolute);
    QString rest;
    while (head.size() > 1) {
        const qsizetype slash = head.lastIndexOf(u'/');
        rest.prepend(head.mid(slash));
        head = slash > 0 ? head.left(slash) : QStringLiteral("/");
        if (::realpath(QFile::encodeName(head).constData(), resolved)) {
            QString base = QFile::decodeName(resolved);
            if (base.endsWith(u'/'))
                base.chop(1);
            return base + rest;
        }
    }
    return QDir::cleanPath(absolute);
}

QDateTime dateFromNs(const std::optional<qint64> &ns)
{
    if (!ns)
        return {};
    // Floor division, so that times before 1970 do not round towards the epoch.
    qint64 ms = *ns / 1000000;
    if (*ns % 1000000 < 0)
        --ms;
    return QDateTime::fromMSecsSinceEpoch(ms);
}

} // namespace

QString LMRFileSystemItem::errorDescription(const QString &path, int error)
{
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

LMRFileSystemItem::LMRFileSystemItem(const QString &path)
{
    m_path = resolvePath(path);
    // One statx gives every fact at once; it follows links, so the facts are the target's,
    // the same file the resolved path names.
    struct statx info {};
    const int rc = ::statx(AT_FDCWD, QFile::encodeName(path).constData(), 0,
                           STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME, &info);
    if (rc != 0) {
        const QString error = errorDescription(path, errno);
        LMRLog(QStringLiteral("Couldn't get item UTI: %1").arg(error));
        LMRLog(QStringLiteral("Couldn't get item creation date: %1").arg(error));
        LMRLog(QStringLiteral("Couldn't get item modification date: %1").arg(error));
        LMRLog(QStringLiteral("Couldn't get the item size: %1").arg(error));
        LMRLog(QStringLiteral("Couldn't get isDirectory: %1").arg(error));
    } else {
        takeFacts(factsFromStatx(m_path, info));
    }
    finishCreation();
}

LMRFileSystemItem::LMRFileSystemItem(const Facts &facts)
{
    m_path = facts.resolvedPath;
    if (facts.statOk)
        takeFacts(facts);
    m_nameSortKey = facts.nameSortKey;
    finishCreation();
}

void LMRFileSystemItem::takeFacts(const Facts &facts)
{
    m_isDirectory = facts.isDirectory;
    m_size = facts.size;
    m_modificationNs = facts.modificationNs;
    m_creationNs = facts.creationNs;
    m_uti = LMRMimeTypeLookup::mimeTypeForEntry(m_path, name(), facts.fileType, m_isDirectory);
}

LMRFileSystemItem::~LMRFileSystemItem() = default;

LMRFileSystemItem::Facts LMRFileSystemItem::factsFromStatx(const QString &resolvedPath,
                                                           const struct statx &info)
{
    Facts facts;
    facts.resolvedPath = resolvedPath;
    facts.statOk = true;
    facts.fileType = info.stx_mode & S_IFMT;
    facts.isDirectory = S_ISDIR(info.stx_mode);
    if (info.stx_mask & STATX_SIZE)
        facts.size = info.stx_size;
    if (info.stx_mask & STATX_MTIME)
        facts.modificationNs = qint64(info.stx_mtime.tv_sec) * 1000000000 + info.stx_mtime.tv_nsec;
    // Many file systems do not record a birth time; then there is no creation date at all.
    if (info.stx_mask & STATX_BTIME)
        facts.creationNs = qint64(info.stx_btime.tv_sec) * 1000000000 + info.stx_btime.tv_nsec;
    return facts;
}

void LMRFileSystemItem::finishCreation()
{
    if (m_nameSortKey.isEmpty())
        m_nameSortKey = sortKeyForName(name());
    m_storedHash = hash();
}

LMRItemPtr LMRFileSystemItem::copy()
{
    LMRItemPtr other(new LMRFileSystemItem());
    std::vector<LMRItemPtr> children;
    children.reserve(m_children.size());
    for (const LMRItemPtr &child : m_children)
        children.push_back(child->copy());
    other->addChildren(children);
    icon();
    other->m_creationNs = m_creationNs;
    other->m_loadedIcon = m_loadedIcon;
    other->m_iconLoaded = m_iconLoaded;
    other->m_modificationNs = m_modificationNs;
    other->m_size = m_size;
    other->m_path = m_path;
    other->m_uti = m_uti;
    other->m_nameSortKey = m_nameSortKey;
    other->m_isDirectory = m_isDirectory;
    other->m_storedHash = m_storedHash;
    return other;
}

QUrl LMRFileSystemItem::URL() const
{
    if (m_isDirectory && !m_path.endsWith(u'/'))
        return QUrl::fromLocalFile(m_path + u'/');
    return QUrl::fromLocalFile(m_path);
}

QString LMRFileSystemItem::name() const
{
    if (m_path == QLatin1String("/"))
        return m_path;
    return m_path.mid(m_path.lastIndexOf(u'/') + 1);
}

QDateTime LMRFileSystemItem::creationDate() const
{
    return dateFromNs(m_creationNs);
}

QDateTime LMRFileSystemItem::modificationDate() const
{
    return dateFromNs(m_modificationNs);
}

QString LMRFileSystemItem::description() const
{
    return QStringLiteral("LMRFileSystemItem: %1").arg(m_path);
}

QIcon LMRFileSystemItem::icon()
{
    if (m_iconLoaded)
        return m_loadedIcon;
    struct statx info {};
    if (::statx(AT_FDCWD, QFile::encodeName(m_path).constData(), 0, STATX_TYPE, &info) != 0) {
        const int error = errno;
        // Asked for from paints: a dialog here would come back with every repaint. Logged once,
        // and not kept: the next request tries again, the file may be back by then.
        if (!m_iconFailureLogged) {
            m_iconFailureLogged = true;
            LMRLog(QStringLiteral("Couldn't get the item icon: %1").arg(errorDescription(m_path, error)));
        }
        return QFileIconProvider().icon(m_isDirectory ? QFileIconProvider::Folder : QFileIconProvider::File);
    }
    QIcon icon;
    const QMimeType type = QMimeDatabase().mimeTypeForName(m_uti);
    if (type.isValid()) {
        icon = QIcon::fromTheme(type.iconName());
        if (icon.isNull())
            icon = QIcon::fromTheme(type.genericIconName());
    }
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileInfo(m_path));
    m_loadedIcon = icon;
    m_iconLoaded = true;
    return m_loadedIcon;
}

quint64 LMRFileSystemItem::hash() const
{
    return qHash(m_path, 0);
}

int LMRFileSystemItem::compareKeys(const char *a, qsizetype aSize, const char *b, qsizetype bSize)
{
    const int c = std::memcmp(a, b, size_t(std::min(aSize, bSize)));
    if (c != 0)
        return c;
    return aSize < bSize ? -1 : (aSize > bSize ? 1 : 0);
}

int LMRFileSystemItem::compareNames(const LMRFileSystemItem &a, const LMRFileSystemItem &b)
{
    return compareKeys(a.m_nameSortKey.constData(), a.m_nameSortKey.size(),
                       b.m_nameSortKey.constData(), b.m_nameSortKey.size());
}

QByteArray LMRFileSystemItem::sortKeyForName(const QString &name)
{
    return LMRNameCollation::sortKey(name);
}

void LMRFileSystemItem::addChildren(const std::vector<LMRItemPtr> &children)
{
    m_children.insert(m_children.end(), children.begin(), children.end());
    sort(m_children);
}
