#include "model/FileSystemItem.h"
#include "model/MimeTypeLookup.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <thread>
#include <unistd.h>

class FileSystemItemTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        // The temporary folder itself may sit behind a link (/tmp on some systems).
        m_root = QDir(m_dir.path()).canonicalPath();
    }
    void cleanup() { LMRFileSystemItem::setErrorAlertHook({}); }

    void itemThroughLinkTakesTargetPathAndName()
    {
        const QString target = lmrtest::writeFile(m_root + "/real/photo.JPG", "x");
        QVERIFY(QFile::link(m_root + "/real", m_root + "/folderLink"));
        QVERIFY(QFile::link(target, m_root + "/fileLink.jpg"));

        LMRFileSystemItem throughFile(m_root + "/fileLink.jpg");
        QCOMPARE(throughFile.path(), target);
        QCOMPARE(throughFile.name(), QStringLiteral("photo.JPG"));
        QCOMPARE(throughFile.UTI(), QStringLiteral("image/jpeg"));
        QCOMPARE(throughFile.size(), std::optional<quint64>(1));

        LMRFileSystemItem throughFolder(m_root + "/folderLink/photo.JPG");
        QCOMPARE(throughFolder.path(), target);
        QVERIFY(throughFolder == LMRFileSystemItem(target));
        QCOMPARE(throughFolder.hash(), throughFolder.storedHash());
    }

    void factsAndTypes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("uti");
        QTest::newRow("upper-case extension") << "IMG_0001.JPG" << QByteArray("abc") << "image/jpeg";
        QTest::newRow("m4v answers mp4") << "clip.m4v" << QByteArray("abc") << "video/mp4";
        QTest::newRow("pdf") << "Doc.PDF" << QByteArray("abc") << "application/pdf";
        QTest::newRow("multi-part suffix") << "backup.tar.gz" << QByteArray("abc")
                                           << "application/x-compressed-tar";
        QTest::newRow("plain gz after tar.gz") << "notes.gz" << QByteArray("abc") << "application/gzip";
        QTest::newRow("tar.gz after plain gz") << "second.tar.gz" << QByteArray("abc")
                                               << "application/x-compressed-tar";
        QTest::newRow("whole-name pattern") << "CMakeLists.txt" << QByteArray("abc") << "text/x-cmake";
        QTest::newRow("plain txt after whole name") << "readme-not.txt" << QByteArray("abc")
                                                    << "text/plain";
        QTest::newRow("prefix pattern beats suffix") << "Makefile.am" << QByteArray("abc")
                                                     << "text/x-makefile";
        QTest::newRow("no suffix: content decides") << "picture"
                                                    << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                                    << "image/png";
    }
    void factsAndTypes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, uti);
        const QString path = lmrtest::writeFile(m_root + "/" + name, content);
        // Twice: the second answer may come from the per-suffix table.
        for (int round = 0; round < 2; ++round) {
            LMRFileSystemItem item(path);
            QCOMPARE(item.UTI(), uti);
            QCOMPARE(item.size(), std::optional<quint64>(content.size()));
            QVERIFY(!item.isDirectory());
            QVERIFY(item.modificationNs().has_value());
            QVERIFY(item.modificationDate().isValid());
        }
    }

    void folderIsDirectoryWhateverItsName()
    {
        QVERIFY(QDir().mkpath(m_root + "/holiday.jpg"));
        LMRFileSystemItem item(m_root + "/holiday.jpg/");
        QVERIFY(item.isDirectory());
        QCOMPARE(item.UTI(), QStringLiteral("inode/directory"));
        QCOMPARE(item.path(), m_root + "/holiday.jpg");
        QVERIFY(item.URL().toString().endsWith("/holiday.jpg/"));
    }

    void fifoIsNeverTypedAsImage()
    {
        const QString path = m_root + "/pipe.jpg";
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        LMRFileSystemItem item(path);   // must not block on opening the pipe
        QCOMPARE(item.UTI(), QStringLiteral("inode/fifo"));
    }

    void missingFileLogsFiveLinesAndStaysEmpty()
    {
        const QString path = m_root + "/gone.png";
        const QString error = path + ": No such file or directory";
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Couldn't get item UTI: " + error));
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Couldn't get item creation date: " + error));
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Couldn't get item modification date: " + error));
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Couldn't get the item size: " + error));
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Couldn't get isDirectory: " + error));
        LMRFileSystemItem item(path);
        QCOMPARE(item.path(), path);
        QVERIFY(item.UTI().isEmpty());
        QVERIFY(!item.size());
        QVERIFY(!item.modificationDate().isValid());
        QVERIFY(!item.creationDate().isValid());
        QVERIFY(!item.isDirectory());
    }

    void nameAndDescription()
    {
        LMRFileSystemItem::Facts facts;
        facts.resolvedPath = "/a/b/photo.JPG";
        LMRFileSystemItem item(facts);
        QCOMPARE(item.name(), QStringLiteral("photo.JPG"));
        facts.resolvedPath = "/tmp/x.png";
        QCOMPARE(LMRFileSystemItem(facts).description(), QStringLiteral("LMRFileSystemItem: /tmp/x.png"));
    }

    void equalityFollowsPath()
    {
        const QString a = lmrtest::writeFile(m_root + "/a.png", "1");
        const QString b = lmrtest::writeFile(m_root + "/b.png", "1");
        QVERIFY(LMRFileSystemItem(a) == LMRFileSystemItem(a));
        QVERIFY(!(LMRFileSystemItem(a) == LMRFileSystemItem(b)));
        // An item built by a walk from facts equals one built from the path.
        LMRFileSystemItem::Facts facts;
        facts.resolvedPath = a;
        QVERIFY(LMRFileSystemItem(facts) == LMRFileSystemItem(a));
    }

    void copyKeepsFieldsAndIsEqual()
    {
        const QString path = lmrtest::writeFile(m_root + "/parent/kid.png", "12345");
        auto parent = std::make_shared<LMRFileSystemItem>(m_root + "/parent");
        parent->addChildren({std::make_shared<LMRFileSystemItem>(path)});
        const LMRItemPtr copy = parent->copy();
        QVERIFY(*copy == *parent);
        QCOMPARE(copy->path(), parent->path());
        QCOMPARE(copy->UTI(), parent->UTI());
        QCOMPARE(copy->isDirectory(), true);
        QCOMPARE(copy->modificationNs(), parent->modificationNs());
        QCOMPARE(copy->creationNs(), parent->creationNs());
        QCOMPARE(copy->size(), parent->size());
        QVERIFY(parent->hasLoadedIcon());
        QCOMPARE(copy->icon().cacheKey(), parent->icon().cacheKey());
        QCOMPARE(copy->children().size(), size_t(1));
        QVERIFY(copy->children()[0] != parent->children()[0]);   // deep
        QVERIFY(*copy->children()[0] == *parent->children()[0]);
        QCOMPARE(copy->children()[0]->size(), std::optional<quint64>(5));
    }

    void iconIsLoadedOnceAndErrorsAreNotKept()
    {
        QStringList alerts;
        LMRFileSystemItem::setErrorAlertHook([&alerts](const QString &m) { alerts << m; });
        const QString path = lmrtest::writeFile(m_root + "/i.png", "x");
        LMRFileSystemItem item(path);
        const QIcon first = item.icon();
        QVERIFY(item.hasLoadedIcon());
        // Once loaded, the file system is not asked again: a deleted file keeps its icon.
        QVERIFY(QFile::remove(path));
        QCOMPARE(item.icon().cacheKey(), first.cacheKey());
        QVERIFY(alerts.isEmpty());

        LMRFileSystemItem::Facts facts;
        facts.resolvedPath = m_root + "/never.png";
        LMRFileSystemItem missing(facts);
        QVERIFY(missing.icon().isNull());
        QCOMPARE(alerts, QStringList{m_root + "/never.png: No such file or directory"});
        QVERIFY(!missing.hasLoadedIcon());
        lmrtest::writeFile(m_root + "/never.png", "x");
        missing.icon();
        QVERIFY(missing.hasLoadedIcon());
        QCOMPARE(alerts.size(), 1);
    }

    void naturalNameOrder_data()
    {
        QTest::addColumn<QStringList>("names");   // in the expected order
        QTest::newRow("digit runs by value") << QStringList{"img2.png", "img10.png", "img100.png"};
        QTest::newRow("case ignored") << QStringList{"apple.jpg", "Banana.jpg", "cherry.jpg"};
        QTest::newRow("case and digits") << QStringList{"IMG2.JPG", "img10.jpg"};
        QTest::newRow("camera names") << QStringList{"DSC00999.jpg", "DSC01234.jpg", "IMG_0001.JPG",
                                                     "IMG_0002.JPG", "Photo 2.jpeg", "Photo 12.jpeg"};
        QTest::newRow("accents next to their letter") << QStringList{"cote.jpg", "côte.jpg", "cotf.jpg"};
        QTest::newRow("unicode names") << QStringList{"Ärger 1.png", "Ärger 3.png", "Zebra.png"};
        QTest::newRow("leading zeros") << QStringList{"a1.png", "a02.png", "a3.png"};
    }
    void naturalNameOrder()
    {
        QFETCH(QStringList, names);
        std::vector<LMRItemPtr> items;
        for (auto it = names.crbegin(); it != names.crend(); ++it) {
            LMRFileSystemItem::Facts facts;
            facts.resolvedPath = "/photos/" + *it;
            items.push_back(std::make_shared<LMRFileSystemItem>(facts));
        }
        LMRFileSystemItem::sort(items);
        QStringList sorted;
        for (const auto &item : items)
            sorted << item->name();
        QCOMPARE(sorted, names);
    }

    void nameOrderFollowsLocale()
    {
        // Each thread opens its collator for the locale of the moment, so a fresh thread sees
        // a changed default locale.
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
        QByteArray z, aUmlaut;
        std::thread([&] {
            z = LMRFileSystemItem::sortKeyForName("z.png");
            aUmlaut = LMRFileSystemItem::sortKeyForName("ä.png");
        }).join();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QByteArray zDe, aUmlautDe;
        std::thread([&] {
            zDe = LMRFileSystemItem::sortKeyForName("z.png");
            aUmlautDe = LMRFileSystemItem::sortKeyForName("ä.png");
        }).join();
        QLocale::setDefault(saved);
        QVERIFY(z < aUmlaut);       // Swedish: ä after z
        QVERIFY(aUmlautDe < zDe);   // German: ä with a
    }

    void childrenStayInNameOrder()
    {
        LMRFileSystemItem::Facts facts;
        facts.resolvedPath = "/p";
        LMRFileSystemItem parent(facts);
        auto make = [](const QString &name) {
            LMRFileSystemItem::Facts f;
            f.resolvedPath = "/p/" + name;
            return std::make_shared<LMRFileSystemItem>(f);
        };
        parent.addChildren({make("b10"), make("b9")});
        parent.addChildren({make("a1")});
        QStringList names;
        for (const auto &child : parent.children())
            names << child->name();
        QCOMPARE(names, (QStringList{"a1", "b9", "b10"}));
    }

private:
    QTemporaryDir m_dir;
    QString m_root;
};

LMR_REGISTER_TEST(FileSystemItemTest);
#include "FileSystemItemTest.moc"
