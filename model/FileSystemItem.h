#pragma once
// LMRFileSystemItem: the record of one file or folder that every list of the program holds.
// It captures once, when made, the file's identity (its absolute path with symbolic links
// resolved), its MIME type, dates, size and folder flag, and answers its name and icon on
// request. It is made on any thread and afterwards only read (the icon aside, main thread only).
// Two items are equal exactly when their stored path hashes are; no string is compared.

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QUrl>
#include <QDateTime>

#include <memory>
#include <optional>
#include <vector>

class LMRFileSystemItem;
class LMRFileSystemImageItem;
using LMRItemPtr = std::shared_ptr<LMRFileSystemItem>;
using LMRImageItemPtr = std::shared_ptr<LMRFileSystemImageItem>;

class LMRFileSystemItem
{
public:
    // What a directory walk already knows of an entry, so that making its item costs no
    // second system call (see the walker). Times are nanoseconds since the epoch.
    struct Facts {
        QString resolvedPath;     // absolute, symbolic links resolved, no trailing slash
        bool isDirectory = false;
        bool statOk = false;      // false: the resource fields stay empty (logged by the walker)
        std::optional<quint64> size;
        std::optional<qint64> modificationNs;
        std::optional<qint64> creationNs;
    };

    // initWithURL: reads the file system (one statx) and the MIME database.
    explicit LMRFileSystemItem(const QString &path);
    // For the walker: builds from facts already read; only the MIME type is looked up.
    explicit LMRFileSystemItem(const Facts &facts);
    virtual ~LMRFileSystemItem();

    // copyWithZone: always a plain LMRFileSystemItem; the icon is loaded first, then copied.
    LMRItemPtr copy();

    QString path() const { return m_path; }       // the URL's path: no trailing slash
    QUrl URL() const;                              // file URL; a folder's ends with "/"
    bool hasDirectoryPath() const { return m_isDirectory; }
    QString name() const;                          // last path component
    QString UTI() const { return m_uti; }          // MIME type name; empty when unknown
    bool isDirectory() const { return m_isDirectory; }
    QDateTime creationDate() const;                // invalid when none
    QDateTime modificationDate() const;            // invalid when none
    std::optional<qint64> creationNs() const { return m_creationNs; }
    std::optional<qint64> modificationNs() const { return m_modificationNs; }
    std::optional<quint64> size() const { return m_size; }
    QString description() const;                   // "LMRFileSystemItem: <path>"

    // Loaded on the first request and kept; main thread only.
    QIcon icon();
    bool hasLoadedIcon() const { return !m_loadedIcon.isNull(); }

    quint64 storedHash() const { return m_storedHash; }
    quint64 hash() const;                          // recomputed from the path on every call
    bool isEqual(const LMRFileSystemItem &other) const { return m_storedHash == other.m_storedHash; }
    bool operator==(const LMRFileSystemItem &other) const { return isEqual(other); }

    // The name order a file manager shows: case ignored, digit runs by value, the user's
    // locale. The key is computed once, when the item is made.
    const QByteArray &nameSortKey() const { return m_nameSortKey; }
    static int compareNames(const LMRFileSystemItem &a, const LMRFileSystemItem &b);
    static QByteArray sortKeyForName(const QString &name);
    template <typename Ptr> static void sort(std::vector<Ptr> &items)
    {
        std::sort(items.begin(), items.end(), [](const Ptr &a, const Ptr &b) {
            return compareNames(*a, *b) < 0;
        });
    }

    const std::vector<LMRItemPtr> &children() const { return m_children; }
    void addChildren(const std::vector<LMRItemPtr> &children);

protected:
    LMRFileSystemItem() = default;                 // init: used by copy()

private:
    void finishCreation();

    QString m_path;
    QString m_uti;
    QByteArray m_nameSortKey;
    std::optional<qint64> m_creationNs;
    std::optional<qint64> m_modificationNs;
    std::optional<quint64> m_size;
    std::vector<LMRItemPtr> m_children;
    QIcon m_loadedIcon;
    quint64 m_storedHash = 0;
    bool m_isDirectory = false;
};

// Index of the first item equal to item (stored-hash equality), or -1.
template <typename List, typename Ptr> qsizetype LMRIndexOfItem(const List &list, const Ptr &item)
{
    for (qsizetype i = 0; i < qsizetype(list.size()); ++i)
        if (list[i]->storedHash() == item->storedHash())
            return i;
    return -1;
}
