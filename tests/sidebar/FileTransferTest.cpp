// Moving and copying files and folders into a folder: what arrives, what is refused, and a
// move across file systems.

#include "platform/FileTransfer.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

#include <sys/stat.h>

using lmrtest::readFile;

class FileTransferTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_root = QDir(m_dir->path()).canonicalPath();
        QVERIFY(QDir(m_root).mkpath("to"));
    }

    // A folder with a sub-folder and a symbolic link in it arrives whole; then a folder standing
    // under its name is never merged into, and a folder never goes into itself. (Files, and a
    // file's name that exists, are the drop tests' matter.)
    void foldersKeepNameAndContents_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::newRow("move") << false;
        QTest::newRow("copy") << true;
    }
    void foldersKeepNameAndContents()
    {
        QFETCH(bool, copy);
        const QString source = m_root + "/from/Album", target = m_root + "/to/Album";
        lmrtest::writeFile(source + "/a.jpg", "a");
        lmrtest::writeFile(source + "/deeper/b.jpg", "b");
        QVERIFY(QFile::link("a.jpg", source + "/link.jpg"));
        QString error;
        QVERIFY2(LMRFileTransfer::transferFile(source, m_root + "/to", copy, &error), qPrintable(error));
        QCOMPARE(QFileInfo::exists(source), copy);
        QCOMPARE(readFile(target + "/a.jpg"), QByteArray("a"));
        QCOMPARE(readFile(target + "/deeper/b.jpg"), QByteArray("b"));
        QCOMPARE(QFileInfo(target + "/link.jpg").symLinkTarget(), QFileInfo(target + "/a.jpg").absoluteFilePath());

        lmrtest::writeFile(source + "/new.jpg", "new");
        QVERIFY(!LMRFileTransfer::transferFile(source, m_root + "/to", copy, &error));
        QVERIFY(!QFileInfo::exists(target + "/new.jpg"));
        QVERIFY(!LMRFileTransfer::transferFile(source, source, copy, &error));
        QVERIFY(QDir(source).mkpath("inner"));
        QVERIFY(!LMRFileTransfer::transferFile(source, source + "/inner", copy, &error));
        QCOMPARE(QDir(source + "/inner").entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QCOMPARE(readFile(source + "/new.jpg"), QByteArray("new"));
    }

    // Across file systems a move copies, then removes the original. An original that cannot be
    // removed stays, and the complete copy counts as arrived, with the user told.
    void moveAcrossFileSystems_data()
    {
        QTest::addColumn<bool>("removable");
        QTest::newRow("original removed") << true;
        QTest::newRow("original cannot be removed") << false;
    }
    void moveAcrossFileSystems()
    {
        QFETCH(bool, removable);
        QTemporaryDir other(QStringLiteral("/dev/shm/lumory-transfer-XXXXXX"));
        struct stat here {}, there {};
        if (!other.isValid() || ::stat(QFile::encodeName(m_root).constData(), &here) != 0
            || ::stat(QFile::encodeName(other.path()).constData(), &there) != 0 || here.st_dev == there.st_dev)
            QSKIP("no second file system at hand");
        lmrtest::writeFile(other.path() + "/Album/deeper/b.jpg", "b");
        for (const auto &[path, mode] : {std::pair{m_root, 0755}, {m_root + "/to", 0777}, {other.path(), 0777},
                                         {other.path() + "/Album/deeper", removable ? 0777 : 0555}})
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
        if (removable)
            QVERIFY(::chmod(QFile::encodeName(other.path() + "/Album").constData(), 0777) == 0);
        QString error;
        {
            const lmrtest::UnprivilegedFileAccess asNobody;
            QVERIFY(LMRFileTransfer::transferFile(other.path() + "/Album", m_root + "/to", false, &error));
        }
        ::chmod(QFile::encodeName(other.path() + "/Album/deeper").constData(), 0755);
        QCOMPARE(readFile(m_root + "/to/Album/deeper/b.jpg"), QByteArray("b"));
        QCOMPARE(QFileInfo::exists(other.path() + "/Album/deeper/b.jpg"), !removable);
        QCOMPARE(error.isEmpty(), removable);
        QVERIFY2(removable || error.contains("original"), qPrintable(error));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

LMR_REGISTER_TEST(FileTransferTest);
#include "FileTransferTest.moc"
