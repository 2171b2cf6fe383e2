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

    // A file, and a folder with a sub-folder and a symbolic link in it.
    void transfersKeepNameAndContents_data()
    {
        lmrtest::columns<bool, bool>({"folder", "copy"});
        QTest::newRow("move a file") << false << false;
        QTest::newRow("copy a file") << false << true;
        QTest::newRow("move a folder") << true << false;
        QTest::newRow("copy a folder") << true << true;
    }

    void transfersKeepNameAndContents()
    {
        QFETCH(bool, folder);
        QFETCH(bool, copy);
        const QString source = m_root + (folder ? "/from/Album" : "/from/photo.jpg");
        if (folder) {
            lmrtest::writeFile(source + "/a.jpg", "a");
            lmrtest::writeFile(source + "/deeper/b.jpg", "b");
            QVERIFY(QFile::link("a.jpg", source + "/link.jpg"));
        } else {
            lmrtest::writeFile(source, "photo");
        }

        QString error;
        QVERIFY2(LMRFileTransfer::transferFile(source, m_root + "/to", copy, &error), qPrintable(error));
        QCOMPARE(QFileInfo::exists(source), copy);
        const QString target = m_root + "/to/" + QFileInfo(source).fileName();
        if (folder) {
            QCOMPARE(readFile(target + "/a.jpg"), QByteArray("a"));
            QCOMPARE(readFile(target + "/deeper/b.jpg"), QByteArray("b"));
            QCOMPARE(QFileInfo(target + "/link.jpg").symLinkTarget(), QFileInfo(target + "/a.jpg").absoluteFilePath());
        } else {
            QCOMPARE(readFile(target), QByteArray("photo"));
        }
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::newRow("move") << false;
        QTest::newRow("copy") << true;
    }

    // An item under the same name is never replaced; a folder never goes into itself.
    void refusals()
    {
        QFETCH(bool, copy);
        lmrtest::writeFile(m_root + "/from/photo.jpg", "new");
        lmrtest::writeFile(m_root + "/to/photo.jpg", "old");
        QString error;
        QVERIFY(!LMRFileTransfer::transferFile(m_root + "/from/photo.jpg", m_root + "/to", copy, &error));
        QVERIFY(error.contains("photo.jpg"));
        QCOMPARE(readFile(m_root + "/to/photo.jpg"), QByteArray("old"));
        QCOMPARE(readFile(m_root + "/from/photo.jpg"), QByteArray("new"));

        // A folder standing under the name is not merged into either.
        lmrtest::writeFile(m_root + "/from/Album/a.jpg", "a");
        QVERIFY(QDir(m_root).mkpath("to/Album"));
        QVERIFY(!LMRFileTransfer::transferFile(m_root + "/from/Album", m_root + "/to", copy, &error));
        QVERIFY(!QFileInfo::exists(m_root + "/to/Album/a.jpg"));

        QVERIFY(!LMRFileTransfer::transferFile(m_root + "/from/Album", m_root + "/from/Album", copy, &error));
        QVERIFY(QDir(m_root).mkpath("from/Album/inner"));
        QVERIFY(!LMRFileTransfer::transferFile(m_root + "/from/Album", m_root + "/from/Album/inner", copy, &error));
        QCOMPARE(QDir(m_root + "/from/Album/inner").entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QCOMPARE(readFile(m_root + "/from/Album/a.jpg"), QByteArray("a"));
    }

    // A copy that fails half-way leaves no partial folder behind.
    void failedCopyLeavesNothingBehind()
    {
        lmrtest::writeFile(m_root + "/from/Album/a.jpg", "a");
        lmrtest::writeFile(m_root + "/from/Album/secret.jpg", "s");
        for (const auto &[path, mode] : {std::pair{m_root, 0755}, {m_root + "/to", 0777}, {m_root + "/from/Album/secret.jpg", 0}})
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
        QString error;
        const lmrtest::UnprivilegedFileAccess asNobody;
        QVERIFY(!LMRFileTransfer::transferFile(m_root + "/from/Album", m_root + "/to", true, &error));
        QVERIFY(!QFileInfo::exists(m_root + "/to/Album"));
        QVERIFY(!error.isEmpty());
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
