#include "model/MimeTypeLookup.h"

#include <QHash>
#include <QMimeDatabase>
#include <QFile>
#include <QMutex>
#include <QStandardPaths>
#include <QRegularExpression>
#include <QSet>

#include <mutex>
#include <sys/stat.h>

namespace {

// Which names can take the per-suffix answer. The database's simple patterns ("*.jpg") give
// every name with one last suffix the same answer; the others ("*.tar.gz", "CMakeLists.txt",
// "README*", "*~") depend on more of the name. A name is answered from the table only when
// none of those could match it: its last suffix is not the last suffix of a multi-part or
// whole-name pattern, no pattern that looks at the end of the name alone matches that suffix
// (decided once per suffix), and none of the few patterns that look at the whole name match
// (each first screened by a literal part it needs).
class SuffixTable
{
public:
    SuffixTable()
    {
        QStringList endPatterns;
        for (const QString &pattern : globPatterns()) {
            {
                if (isSimple(pattern))
                    continue;
                const qsizetype lastWildcard = lastWildcardIndex(pattern);
                const QString tail = pattern.mid(lastWildcard + 1);
                const qsizetype tailDot = tail.lastIndexOf(u'.');
                if (tailDot >= 0) {
                    m_unsafeSuffixes.insert(tail.mid(tailDot + 1).toLower());
                    continue;
                }
                // A whole name without a dot and without wildcards ("core") cannot match a
                // name that has a suffix.
                if (lastWildcard < 0)
                    continue;
                const QString regex = QRegularExpression::wildcardToRegularExpression(
                    pattern, QRegularExpression::UnanchoredWildcardConversion);
                const QString rest = pattern.mid(1);
                if (pattern.startsWith(u'*') && !rest.contains(u'*') && rest.lastIndexOf(u'.') <= 0) {
                    endPatterns << regex;
                } else {
                    const QString literal = longestLiteral(pattern);
                    m_namePatterns.push_back({literal, pattern.startsWith(literal), anchored(regex)});
                }
            }
        }
        if (!endPatterns.isEmpty())
            m_endPatterns = anchored(endPatterns.join(u'|'));
    }

    QString lookup(const QString &name)
    {
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot <= 0 || dot == name.size() - 1 || !matchesNoNamePattern(name))
            return byDatabase(name);
        // Case is kept in the key: a few patterns are case-sensitive ("*.C" is C++).
        const QString suffix = name.mid(dot + 1);
        {
            QMutexLocker locker(&m_mutex);
            const auto found = m_answers.constFind(suffix);
            if (found != m_answers.constEnd())
                return found->isEmpty() ? byDatabase(name) : *found;
        }
        const QString answer = byDatabase(name);
        // The end-of-name patterns cannot reach past the last dot, so any stem shows whether
        // they match; \x01 matches no character class a pattern could start with.
        const bool suffixSafe = !m_unsafeSuffixes.contains(suffix.toLower())
            && !(m_endPatterns.isValid() && !m_endPatterns.pattern().isEmpty()
                 && m_endPatterns.match(QStringLiteral("\x01.") + suffix).hasMatch());
        QMutexLocker locker(&m_mutex);
        m_answers.insert(suffix, suffixSafe ? answer : QString());
        return answer;
    }

private:
    struct NamePattern {
        QString literal;   // a part every matching name contains (case ignored)
        bool literalStarts;   // and starts with
        QRegularExpression regex;
    };

    // The patterns of the shared MIME database, read from its globs2 files (about 1 ms) rather
    // than asked of every MIME type (over 100 ms, it parses each type's description).
    static QStringList globPatterns()
    {
        QStringList patterns;
        const QStringList files = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                            QStringLiteral("mime/globs2"));
        for (const QString &path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            while (!file.atEnd()) {
                const QByteArray line = file.readLine().trimmed();
                if (line.isEmpty() || line.startsWith('#'))
                    continue;
                // weight:type:pattern[:flags]; the only flag is "cs", and a pattern may hold ':'
                QList<QByteArray> fields = line.split(':');
                if (fields.size() < 3)
                    continue;
                if (fields.size() > 3 && fields.last() == "cs")
                    fields.removeLast();
                patterns << QString::fromUtf8(fields.mid(2).join(':'));
            }
        }
        if (patterns.isEmpty()) {
            const QList<QMimeType> types = QMimeDatabase().allMimeTypes();
            for (const QMimeType &type : types)
                patterns << type.globPatterns();
        }
        return patterns;
    }

    static QRegularExpression anchored(const QString &regex)
    {
        QRegularExpression expression(QStringLiteral("^(?:%1)$").arg(regex),
                                      QRegularExpression::CaseInsensitiveOption
                                          | QRegularExpression::DotMatchesEverythingOption);
        expression.optimize();
        return expression;
    }
    static bool isWildcard(QChar c) { return c == u'*' || c == u'?' || c == u'[' || c == u']'; }
    static qsizetype lastWildcardIndex(const QString &pattern)
    {
        for (qsizetype i = pattern.size() - 1; i >= 0; --i)
            if (isWildcard(pattern[i]))
                return i;
        return -1;
    }
    static bool isSimple(const QString &pattern)
    {
        if (!pattern.startsWith(QLatin1String("*.")) || pattern.size() < 3)
            return false;
        for (qsizetype i = 2; i < pattern.size(); ++i)
            if (pattern[i] == u'.' || isWildcard(pattern[i]))
                return false;
        return true;
    }
    static QString longestLiteral(const QString &pattern)
    {
        QString best, run;
        bool inClass = false;
        for (QChar c : pattern) {
            if (c == u'[')
                inClass = true;
            if (inClass || isWildcard(c)) {
                if (run.size() > best.size())
                    best = run;
                run.clear();
            } else {
                run += c;
            }
            if (c == u']')
                inClass = false;
        }
        return run.size() > best.size() ? run : best;
    }

    bool matchesNoNamePattern(const QString &name) const
    {
        for (const NamePattern &pattern : m_namePatterns) {
            const bool mayMatch = pattern.literalStarts
                ? name.startsWith(pattern.literal, Qt::CaseInsensitive)
                : name.contains(pattern.literal, Qt::CaseInsensitive);
            if (mayMatch && pattern.regex.match(name).hasMatch())
                return false;
        }
        return true;
    }

    QString byDatabase(const QString &name) const
    {
        return m_database.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
    }

    QMimeDatabase m_database;
    QSet<QString> m_unsafeSuffixes;      // lower case
    QRegularExpression m_endPatterns;
    std::vector<NamePattern> m_namePatterns;
    QMutex m_mutex;
    QHash<QString, QString> m_answers;   // suffix -> answer; empty: ask the database each time
};

SuffixTable &suffixTable()
{
    static SuffixTable table;
    return table;
}

} // namespace

QString LMRMimeTypeLookup::mimeTypeForName(const QString &name)
{
    return suffixTable().lookup(name);
}

QString LMRMimeTypeLookup::mimeTypeForEntry(const QString &path, const QString &name,
                                            unsigned fileType, bool isDirectory)
{
    if (isDirectory || fileType == S_IFDIR)
        return QStringLiteral("inode/directory");
    switch (fileType) {
    case S_IFIFO: return QStringLiteral("inode/fifo");
    case S_IFSOCK: return QStringLiteral("inode/socket");
    case S_IFCHR: return QStringLiteral("inode/chardevice");
    case S_IFBLK: return QStringLiteral("inode/blockdevice");
    default: break;
    }
    const QString byName = mimeTypeForName(name);
    // Reading content is slow (25-80 us) and only worth it when the name tells nothing; and
    // only a regular file can be read without the risk of blocking on it.
    if (fileType == S_IFREG && byName == QLatin1String("application/octet-stream")) {
        static const QMimeDatabase database;
        return database.mimeTypeForFile(path, QMimeDatabase::MatchContent).name();
    }
    return byName;
}
