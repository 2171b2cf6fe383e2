#include "model/FileSystemItem.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"

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

    void factsAndTypes_data()
    {
        lmrtest::columns<QString, QByteArray, QString>({"name", "content", "uti"});
        for (const auto &[tag, name, uti] : std::initializer_list<std::array<const char *, 3>>{
                 {"upper-case extension", "IMG_0001.JPG", "image/jpeg"},
                 {"m4v answers mp4", "clip.m4v", "video/mp4"},
                 {"pdf", "Doc.PDF", "application/pdf"},
                 {"multi-part suffix", "backup.tar.gz", "application/x-compressed-tar"}})
            QTest::newRow(tag) << QString(name) << QByteArray("abc") << QString(uti);
        QTest::newRow("no suffix: content decides") << "picture"
                                                    << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                                    << "image/png";
    }
    void factsAndTypes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QString path = lmrtest::writeFile(m_root + "/" + name, content);
        // Twice: the second answer may come from the per-suffix table.
        for (int round = 0; round < 2; ++round) {
            LMRFileSystemItem item(path);
            QTEST(item.UTI(), "uti");
            QCOMPARE(item.size(), std::optional<quint64>(content.size()));
        }
    }

    void naturalNameOrder_data()
    {
        QTest::addColumn<QStringList>("names");   // in the expected order
        // Digits and case: the sort test's name order.
        QTest::newRow("camera names") << QStringList{"DSC00999.jpg", "DSC01234.jpg", "IMG_0001.JPG", "Photo 2.jpeg",
                                                     "Photo 12.jpeg"};
        QTest::newRow("accents next to their letter") << QStringList{"cote.jpg", "côte.jpg", "cotf.jpg"};
        QTest::newRow("unicode names") << QStringList{"Ärger 1.png", "Ärger 3.png", "Zebra.png"};
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

private:
    QTemporaryDir m_dir;
    QString m_root;
};

LMR_REGISTER_TEST(FileSystemItemTest);
#include "FileSystemItemTest.moc"
