#include "model/DirectoryEnumerationThread.h"
#include "model/FileSystemImageItem.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

#include <cerrno>
#include <functional>
#include <sys/stat.h>

namespace {

class RecordingConsumer : public QObject, public LMRDirectoryEnumerationThreadConsumer
{
public:
    void didReceiveItemsFromDirectoryEnumerationThread(const LMRDirectoryEnumerationMessage &message) override
    {
        messages.push_back(message);
    }
    bool finished() const { return !messages.empty() && messages.back().done; }
    QStringList relativeNames(const QString &root) const
    {
        QStringList names;
        for (const auto &message : messages)
            for (const auto &item : message.items)
                names << QDir(root).relativeFilePath(item->path());
        names.sort();
        return names;
    }
    std::vector<LMRDirectoryEnumerationMessage> messages;
};

// Runs one walk to its end and delivers every message it sent.
void walk(RecordingConsumer &consumer, const QString &root, qint64 depth,
          const std::function<void(LMRDirectoryEnumerationThread &)> &configure = {})
{
    auto enumeration = LMRDirectoryEnumerationThread::create(&consumer, depth, root, QVariant());
    if (configure)
        configure(*enumeration);
    enumeration->start();
    LMRDirectoryEnumerationThread::waitForRunningWalks();
    QCoreApplication::sendPostedEvents();
    for (const auto &message : consumer.messages)
        QCOMPARE(message.thread, enumeration);
}

} // namespace

class DirectoryEnumerationThreadTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        m_root = QDir(m_dir->path()).canonicalPath();
    }

    void depthHiddenAndPackages_data()
    {
        lmrtest::columns<qint64, QStringList>({"depth", "expected"});
        const QStringList level1{"Album.photoslibrary", "a.jpg", "sub"};
        const QStringList level2{"sub/b.jpg", "sub/deeper"};
        const QStringList level3{"sub/deeper/c.jpg"};
        QTest::newRow("depth 0: own entries only") << qint64(0) << level1;
        QTest::newRow("depth 1: one level below") << qint64(1) << level1 + level2;
        QTest::newRow("depth -1: every level") << qint64(-1) << level1 + level2 + level3;
        QTest::newRow("other negative depth: every level") << qint64(-5) << level1 + level2 + level3;
    }
    void depthHiddenAndPackages()
    {
        QFETCH(qint64, depth);
        QFETCH(QStringList, expected);
        for (const char *name : {"a.jpg", ".hidden.jpg", ".hiddendir/h.jpg", "sub/b.jpg", "sub/.h.jpg", "sub/deeper/c.jpg",
                                 "Album.photoslibrary/p.jpg"})
            lmrtest::writeFile(m_root + '/' + name, "x");
        RecordingConsumer consumer;
        walk(consumer, m_root, depth);
        expected.sort();
        QCOMPARE(consumer.relativeNames(m_root), expected);
    }

    void linksAreResolvedAndKeptOnce()
    {
        QTemporaryDir outside;
        const QString outsideRoot = QDir(outside.path()).canonicalPath();
        const QString target = lmrtest::writeFile(outsideRoot + "/target.png", "xy");
        lmrtest::writeFile(outsideRoot + "/linkedFolder/inside.png", "x");
        QVERIFY(QFile::link(target, m_root + "/one.png"));
        QVERIFY(QFile::link(target, m_root + "/two.png"));
        QVERIFY(QFile::link(outsideRoot + "/linkedFolder", m_root + "/folderLink"));
        QVERIFY(QFile::link(m_root + "/nowhere.png", m_root + "/dangling.png"));
        RecordingConsumer consumer;
        // A dangling link is still an item.
        walk(consumer, m_root, -1);
        QCOMPARE(consumer.messages.size(), size_t(1));
        QStringList paths;
        for (const auto &item : consumer.messages.front().items)
            paths << item->path();
        paths.sort();
        // The linked folder is listed as itself and not entered.
        QStringList expected{m_root + "/dangling.png", outsideRoot + "/linkedFolder", target};
        expected.sort();
        QCOMPARE(paths, expected);

        // A walk for folders only keeps the folders a link leads to, and a real one.
        QVERIFY(QDir(m_root).mkdir("real folder"));
        RecordingConsumer folders;
        walk(folders, m_root, 0, [](LMRDirectoryEnumerationThread &walk) { walk.setFoldersOnly(true); });
        QCOMPARE(folders.messages.size(), size_t(1));
        paths.clear();
        for (const auto &item : folders.messages.front().items)
            paths << item->path();
        paths.sort();
        expected = QStringList{outsideRoot + "/linkedFolder", m_root + "/real folder"};
        expected.sort();
        QCOMPARE(paths, expected);
    }

    // Asked for the list's name order, a walk sends each folder's items in it, so that the first
    // batch holds the first screen of the sorted list (natural order: "img 9" before "img 10").
    void deliveryInNameOrder_data()
    {
        lmrtest::columns<bool>({"descending"});
        QTest::newRow("ascending") << false;
        QTest::newRow("descending") << true;
    }
    void deliveryInNameOrder()
    {
        QFETCH(bool, descending);
        // Made in a scrambled order (97 k mod 251 runs through 1 to 250), which is the order
        // some file systems list in.
        for (int k = 1; k <= 250; ++k) {
            const int i = 97 * k % 251;
            lmrtest::writeFile(m_root + QStringLiteral("/%1 %2.jpg").arg(i % 3 ? "img" : "IMG").arg(i), "x");
        }
        RecordingConsumer consumer;
        walk(consumer, m_root, 0, [descending](LMRDirectoryEnumerationThread &walk) {
            walk.setDeliveryOrder(descending ? LMRDirectoryEnumerationThread::Order::NameDescending
                                             : LMRDirectoryEnumerationThread::Order::NameAscending);
        });
        QCOMPARE(consumer.messages.size(), size_t(3));
        QStringList delivered;
        for (const auto &message : consumer.messages)
            for (const auto &item : message.items) {
                delivered << item->name();
                // The key the walk ordered by is the item's own.
                QCOMPARE(item->nameSortKey(), LMRFileSystemItem::sortKeyForName(item->name()));
            }
        QCOMPARE(delivered.size(), 250);
        for (qsizetype i = 0; i < delivered.size(); ++i) {
            const int number = descending ? 250 - int(i) : int(i) + 1;
            QCOMPARE(delivered[i].section(' ', 1), QStringLiteral("%1.jpg").arg(number));
        }
    }

    // Whether and whenever it is cancelled, a walk sends its final message once and last; one
    // left alone delivers every file, in batches as it finds them.
    void oneFinalMessageLast_data()
    {
        lmrtest::columns<int, QString>({"files", "cancel"});
        QTest::newRow("empty folder") << 0 << "never";
        QTest::newRow("many files") << 250 << "never";
        QTest::newRow("cancelled before the start") << 250 << "before";
        QTest::newRow("cancelled while it runs") << 250 << "while";
    }
    void oneFinalMessageLast()
    {
        QFETCH(int, files);
        QFETCH(QString, cancel);
        for (int i = 0; i < files; ++i)
            lmrtest::writeFile(QStringLiteral("%1/f%2.png").arg(m_root).arg(i), "x");
        RecordingConsumer consumer;
        auto enumeration = LMRDirectoryEnumerationThread::create(&consumer, -1, m_root);
        if (cancel == "before")
            enumeration->cancel();
        enumeration->start();
        if (cancel == "while")
            enumeration->cancel();
        LMRDirectoryEnumerationThread::waitForRunningWalks();
        QCoreApplication::sendPostedEvents();
        QVERIFY(consumer.finished());
        QCOMPARE(int(std::count_if(consumer.messages.begin(), consumer.messages.end(), [](const auto &m) { return m.done; })), 1);
        if (cancel == "before")
            QVERIFY(consumer.relativeNames(m_root).isEmpty());
        if (cancel == "never") {
            QCOMPARE(consumer.relativeNames(m_root).size(), files);
            QCOMPARE(consumer.messages.size() > 1, files > 0);
        }
    }

    // A folder that cannot be listed still ends its walk, with the reason, so that whoever
    // waits for the end (a busy indicator) stops waiting and can say why nothing is listed.
    void unreadableFolderStillEnds_data()
    {
        lmrtest::columns<QString, int>({"kind", "error"});
        QTest::newRow("removed") << "removed" << ENOENT;
        QTest::newRow("a file, not a folder") << "file" << ENOTDIR;
        QTest::newRow("no permission") << "mode 000" << EACCES;
    }
    void unreadableFolderStillEnds()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        const QString folder = m_root + "/folder";
        QVERIFY(::chmod(QFile::encodeName(m_root).constData(), 0755) == 0);
        if (kind == "file")
            lmrtest::writeFile(folder, "x");
        if (kind == "mode 000") {
            lmrtest::writeFile(folder + "/a.jpg", "x");
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0) == 0);
        }
        QTest::ignoreMessage(QtInfoMsg, "Couldn't create directory enumerator");
        RecordingConsumer consumer;
        {
            const lmrtest::UnprivilegedFileAccess asNobody;
            walk(consumer, folder, -1);
        }
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        QCOMPARE(consumer.messages.size(), size_t(1));
        QVERIFY(consumer.messages.front().done);
        QVERIFY(consumer.messages.front().items.empty());
        QCOMPARE(consumer.messages.front().error, error);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

LMR_REGISTER_TEST(DirectoryEnumerationThreadTest);
#include "DirectoryEnumerationThreadTest.moc"
