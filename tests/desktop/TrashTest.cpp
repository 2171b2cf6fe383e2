#include "DesktopTestEnvironment.h"
#include "platform/Trash.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

class TrashTest : public QObject
{
    Q_OBJECT

private:
    QString m_previousDirectory;
    QString m_workingDirectory;
    QString m_files;
    int m_run = 0;

    static QString trashFolder()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QLatin1String("/Trash");
    }

private slots:
    void init()
    {
        ++m_run;
        const QString run = QString::number(m_run);
        lmrdesktoptest::useFreshHome(QLatin1String("trash-") + run);
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
    }

    void movesToTrash_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("dataFolderExists");
        QTest::newRow("file, data folder there") << QStringLiteral("photo.jpg") << false << true;
        QTest::newRow("space and non-ASCII name") << QStringLiteral("Été à Noël 1.jpg") << false << false;
        QTest::newRow("folder") << QStringLiteral("album") << true << false;
    }

    void movesToTrash()
    {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        QFETCH(bool, dataFolderExists);
        if (dataFolderExists)
            QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
        const QString path = m_files + QLatin1Char('/') + name;
        if (folder)
            lmrtest::writeFile(path + QLatin1String("/inside.txt"), "inside");
        else
            lmrtest::writeFile(path, "picture");

        QString error;
        QVERIFY2(LMRMoveToTrash(path, &error), qPrintable(error));
        QVERIFY(!QFileInfo::exists(path));
        const QString trashed = trashFolder() + QLatin1String("/files/") + name;
        QVERIFY(QFileInfo::exists(folder ? trashed + QLatin1String("/inside.txt") : trashed));
        QFile info(trashFolder() + QLatin1String("/info/") + name + QLatin1String(".trashinfo"));
        QVERIFY(info.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(info.readAll()).contains(QLatin1String("Path=") + path + QLatin1Char('\n')));
        QVERIFY(QDir(m_workingDirectory).isEmpty());
    }

    // Qt answers true and moves the item into the working directory when it cannot make a Trash;
    // the item must end up where it was, and the answer must be false.
    void trashCannotBeSetUp_data()
    {
        QTest::addColumn<QString>("blockedPath");
        QTest::newRow("data folder cannot be made") << QStringLiteral("/.qttest");
        QTest::newRow("Trash is a plain file") << QStringLiteral("/.qttest/share/Trash");
    }

    void trashCannotBeSetUp()
    {
        QFETCH(QString, blockedPath);
        lmrtest::writeFile(QDir::homePath() + blockedPath, "in the way");
        const QString path = lmrtest::writeFile(m_files + QLatin1String("/keep me.jpg"), "precious");

        QString error;
        if (blockedPath.endsWith(QLatin1String("Trash")))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Unable to establish trash directory")));
        QVERIFY(!LMRMoveToTrash(path, &error));
        QVERIFY(!error.isEmpty());
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("precious"));
        QVERIFY2(QDir(m_workingDirectory).isEmpty(),
                 qPrintable(QDir(m_workingDirectory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(", ")));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("no such file") << QStringLiteral("never-there.jpg") << false;
        QTest::newRow("empty path") << QString() << false;
        QTest::newRow("read-only folder") << QStringLiteral("locked.jpg") << true;
    }

    void failures()
    {
        QFETCH(QString, name);
        QFETCH(bool, readOnlyFolder);
        QString path = name.isEmpty() ? name : m_files + QLatin1Char('/') + name;
        if (readOnlyFolder) {
            if (::geteuid() == 0)
                QSKIP("root may rename files out of a read-only folder");
            lmrtest::writeFile(path, "locked");
            QVERIFY(QFile::setPermissions(m_files, QFile::ReadOwner | QFile::ExeOwner));
        }
        QString error;
        QVERIFY(!LMRMoveToTrash(path, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QFileInfo::exists(path), readOnlyFolder);
        QVERIFY(!QFileInfo::exists(trashFolder() + QLatin1String("/files"))
                || QDir(trashFolder() + QLatin1String("/files")).isEmpty());
    }
};

LMR_REGISTER_TEST(TrashTest);
#include "TrashTest.moc"
