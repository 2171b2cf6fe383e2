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

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct statx;
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
        unsigned fileType = 0;    // S_IFMT bits of the mode; 0: unknown, the content is never read
        QByteArray nameSortKey;   // sortKeyForName(name) when the walker has it already
    };
    // The facts of one statx result (which must have asked for type, mode, size and times).
    static Facts factsFromStatx(const QString &resolvedPath, const struct statx &info);

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

    // Loaded on the first request and kept; main thread only. An item whose file is gone
    // answers the generic icon of a folder or a file, never shows a dialog, and logs that once.
    QIcon icon();
    bool hasLoadedIcon() const { return m_iconLoaded; }
    // "<path>: <the system's text for error>", the form every file-system log line takes.
    static QString errorDescription(const QString &path, int error);

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
        // The first 16 key bytes sit beside each entry, so that most comparisons are settled
        // without following a pointer into the items scattered over the heap.
        struct Entry {
            quint64 head[2];
            const char *key;
            qsizetype keySize;
            Ptr item;
        };
        std::vector<Entry> entries;
        entries.reserve(items.size());
        for (Ptr &item : items) {
            const QByteArray &key = item->nameSortKey();
            Entry entry{{keyWord(key, 0), keyWord(key, 8)}, key.constData(), key.size(), std::move(item)};
            entries.push_back(std::move(entry));
        }
        std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
            if (a.head[0] != b.head[0])
                return a.head[0] < b.head[0];
            if (a.head[1] != b.head[1])
                return a.head[1] < b.head[1];
            return compareKeys(a.key, a.keySize, b.key, b.keySize) < 0;
        });
        for (size_t i = 0; i < entries.size(); ++i)
            items[i] = std::move(entries[i].item);
    }

    const std::vector<LMRItemPtr> &children() const { return m_children; }
    void addChildren(const std::vector<LMRItemPtr> &children);

protected:
    LMRFileSystemItem() = default;                 // init: used by copy()

private:
    void takeFacts(const Facts &facts);
    void finishCreation();
    // Bytes offset to offset + 7 of a key as a big-endian number (zeros past its end), so that
    // numbers compare as the bytes do.
    static quint64 keyWord(const QByteArray &key, qsizetype offset)
    {
        quint64 word = 0;
        for (qsizetype i = 0; i < 8; ++i)
            word = (word << 8) | (offset + i < key.size() ? quint8(key[offset + i]) : 0);
        return word;
    }
    static int compareKeys(const char *a, qsizetype aSize, const char *b, qsizetype bSize);

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
    bool m_iconLoaded = false;
    bool m_iconFailureLogged = false;
};

// Index of the first item equal to item (stored-hash equality), or -1.
template <typename List, typename Ptr> qsizetype LMRIndexOfItem(const List &list, const Ptr &item)
{
    for (qsizetype i = 0; i < qsizetype(list.size()); ++i)
        if (list[i]->storedHash() == item->storedHash())
            return i;
    return -1;
}
