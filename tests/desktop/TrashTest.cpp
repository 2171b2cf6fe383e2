#include "DesktopTestEnvironment.h"
#include "platform/Trash.h"

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {
// The original path a Path= value stands for, or a null string when the value is not in the
// escaped form of a URL path: a raw space, "#", newline or non-ASCII byte, or a "%" that does
// not start an escape, would each be read back as another name.
QString unescapedPath(const QByteArray &value)
{
    static const QRegularExpression escaped(QStringLiteral("^([A-Za-z0-9._~!$&'()*+,;=:@/-]|%[0-9A-Fa-f]{2})*\\z"));
    return escaped.match(QString::fromLatin1(value)).hasMatch() ? QFile::decodeName(QByteArray::fromPercentEncoding(value))
                                                                 : QString();
}

QByteArray infoValue(const QString &infoFile, const QByteArray &key)
{
    for (const QByteArray &line : lmrtest::readFile(infoFile).split('\n')) {
        if (line.startsWith(key + '='))
            return line.mid(key.size() + 1);
    }
    return "<no " + key + ">";
}

// Mounts made by the test live in a mount namespace of the test's own thread, so that they
// vanish with the process whatever happens. Null when there is one; otherwise why not.
QString privateMountsUnavailable()
{
    static const QString why = []() -> QString {
        if (::unshare(CLONE_NEWNS) != 0)
            return QStringLiteral("no mount namespace of the test's own: %1").arg(std::strerror(errno));
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("mounts cannot be made private: %1").arg(std::strerror(errno));
        return QString();
    }();
    return why;
}
} // namespace

class TrashTest : public QObject
{
    Q_OBJECT

private:
    QString m_previousDirectory;
    QString m_workingDirectory;
    QString m_files;
    QString m_mount;
    int m_run = 0;

    // Each trashed item, its info file and its Path= unescaped, checked as a file manager
    // would read them back to restore the item.
    static void verifyTrashed(const QString &trash, const QString &name, const QString &expectedPath, bool folder)
    {
        const QString trashed = trash + QLatin1String("/files/") + name;
        QVERIFY2(QFileInfo::exists(folder ? trashed + QLatin1String("/inside.txt") : trashed), qPrintable(trashed));
        const QString info = trash + QLatin1String("/info/") + name + QLatin1String(".trashinfo");
        const QByteArray path = infoValue(info, "Path");
        QVERIFY2(unescapedPath(path) == expectedPath, path.constData());
        const QByteArray date = infoValue(info, "DeletionDate");
        QVERIFY2(QDateTime::fromString(QString::fromLatin1(date), QStringLiteral("yyyy-MM-ddThh:mm:ss")).isValid(),
                 date.constData());
    }

private slots:
    void init()
    {
        ++m_run;
        const QString run = QString::number(m_run);
        // A Trash is one per run; a test may have left a plain file in its place.
        QFile::remove(lmrtest::trashFolder());
        QDir(lmrtest::trashFolder()).removeRecursively();
        // Files live beside the home, on the same file system, so the home Trash is the one used.
        m_files = lmrdesktoptest::makeFolder(QLatin1String("trash-files-") + run);
        // A fresh working directory shows whether anything was dropped "here" instead of in a Trash.
        m_workingDirectory = lmrdesktoptest::makeFolder(QLatin1String("trash-cwd-") + run);
        m_previousDirectory = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_workingDirectory));
    }

    void cleanup()
    {
        QDir::setCurrent(m_previousDirectory);
        QFile::setPermissions(m_files, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!m_mount.isEmpty())
            ::umount2(QFile::encodeName(m_mount).constData(), MNT_DETACH);
        m_mount.clear();
    }

    void movesToHomeTrash_data()
    {
        lmrtest::columns<QString, bool>({"name", "folder"});
        QTest::newRow("plain name") << QStringLiteral("photo.jpg") << false;
        QTest::newRow("spaces") << QStringLiteral("a photo.jpg") << false;
        QTest::newRow("percent, hash, non-ASCII") << QStringLiteral("c 50% ü#.jpg") << false;
        QTest::newRow("newline") << QStringLiteral("first\nsecond.jpg") << false;
        QTest::newRow("folder") << QStringLiteral("Été album") << true;
    }

    void movesToHomeTrash()
    {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        const QString path = m_files + QLatin1Char('/') + name;
        lmrtest::writeFile(folder ? path + QLatin1String("/inside.txt") : path, "picture");

        QString error;
        QVERIFY2(LMRMoveToTrash(path, &error), qPrintable(error));
        QVERIFY(!QFileInfo::exists(path));
        verifyTrashed(lmrtest::trashFolder(), name, path, folder);
        QVERIFY(QDir(m_workingDirectory).isEmpty());
    }

    // Another file system has a Trash of its own at its top, with paths relative to the top. A
    // system mount (a tmpfs) gets none: the item stays, and the user is told.
    void secondFileSystem_data()
    {
        lmrtest::columns<QByteArray, bool>({"type", "trashed"});
        QTest::newRow("ramfs: the Trash at its top") << QByteArray("ramfs") << true;
        QTest::newRow("tmpfs: refused") << QByteArray("tmpfs") << false;
    }

    void secondFileSystem()
    {
        QFETCH(QByteArray, type);
        QFETCH(bool, trashed);
        if (const QString why = privateMountsUnavailable(); !why.isNull())
            QSKIP(qPrintable(why));
        const QString top = m_files + QLatin1String("/mounted");
        QVERIFY(QDir().mkpath(top));
        if (::mount("lumory-test", QFile::encodeName(top).constData(), type.constData(), 0, nullptr) != 0)
            QSKIP(qPrintable(QStringLiteral("cannot mount a %1: %2").arg(type, std::strerror(errno))));
        m_mount = top;
        const QString relative = QStringLiteral("sub folder/c 50% ü#\n.jpg");
        const QString path = lmrtest::writeFile(top + QLatin1Char('/') + relative, "picture");
        QVERIFY(!path.isEmpty());

        QString error;
        QCOMPARE(LMRMoveToTrash(path, &error), trashed);
        const QString trash = top + QLatin1String("/.Trash-") + QString::number(::geteuid());
        if (trashed) {
            QVERIFY(!QFileInfo::exists(path));
            verifyTrashed(trash, QFileInfo(path).fileName(), relative, false);
        } else {
            QVERIFY(!error.isEmpty());
            QCOMPARE(lmrtest::readFile(path), QByteArray("picture"));
            QVERIFY(QDir(trash + QLatin1String("/info")).isEmpty());
        }
        QVERIFY(QDir(lmrtest::trashFolder() + QLatin1String("/files")).isEmpty());
    }

    // Whatever part of the Trash cannot be made, or whatever is wrong with the item, it stays
    // where it was with its bytes, nothing of it is left in the Trash or "here", and the answer
    // is false with a reason.
    void refused_data()
    {
        // blocked: the part of the Trash that is a plain file, or "read-only" for the item's folder
        lmrtest::columns<QString, QString>({"name", "blocked"});
        QTest::newRow("Trash is a plain file") << QStringLiteral("keep me.jpg") << QStringLiteral("Trash");
        QTest::newRow("its files folder is a plain file") << QStringLiteral("keep me.jpg") << QStringLiteral("Trash/files");
        QTest::newRow("read-only folder") << QStringLiteral("locked.jpg") << QStringLiteral("read-only");
        QTest::newRow("no such file") << QStringLiteral("never-there.jpg") << QString();
        QTest::newRow("empty path") << QString() << QString();
    }

    void refused()
    {
        QFETCH(QString, name);
        QFETCH(QString, blocked);
        const QString path = name.isEmpty() ? name : m_files + QLatin1Char('/') + name;
        if (!blocked.isEmpty())
            lmrtest::writeFile(path, "precious");
        if (blocked == QLatin1String("read-only")) {
            if (::geteuid() == 0)
                QSKIP("root may rename files out of a read-only folder");
            QVERIFY(QFile::setPermissions(m_files, QFile::ReadOwner | QFile::ExeOwner));
        } else if (!blocked.isEmpty()) {
            lmrtest::writeFile(qEnvironmentVariable("XDG_DATA_HOME") + QLatin1Char('/') + blocked, "in the way");
        }

        QString error;
        QVERIFY(!LMRMoveToTrash(path, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(lmrtest::readFile(path), blocked.isEmpty() ? QByteArray("<missing>") : QByteArray("precious"));
        for (const char *part : {"/files", "/info"}) {
            const QDir folder(lmrtest::trashFolder() + QLatin1String(part));
            QVERIFY(!folder.exists() || folder.isEmpty());
        }
        QVERIFY2(QDir(m_workingDirectory).isEmpty(),
                 qPrintable(QDir(m_workingDirectory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(", ")));
    }
};

LMR_REGISTER_TEST(TrashTest);
#include "TrashTest.moc"
