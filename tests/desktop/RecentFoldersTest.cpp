#include "DesktopTestEnvironment.h"
#include "platform/RecentFiles.h"
#include "platform/RecentFolders.h"

class RecentFoldersTest : public QObject
{
    Q_OBJECT

private:
    int m_run = 0;

    // The mime type and our application record of one entry, as a file chooser would read them.
    static QStringList entryFields(const QString &folder)
    {
        QXmlStreamReader xml(lmrtest::readFile(LMRRecentlyUsedListPath()));
        const QString href = QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded);
        bool inside = false;
        QStringList fields;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("bookmark"))
                inside = xml.attributes().value(QLatin1String("href")) == href;
            else if (inside && xml.isStartElement() && xml.name() == QLatin1String("mime-type"))
                fields << xml.attributes().value(QLatin1String("type")).toString();
            else if (inside && xml.isStartElement() && xml.name() == QLatin1String("application"))
                fields << xml.attributes().value(QLatin1String("name")).toString()
                       << xml.attributes().value(QLatin1String("exec")).toString();
        }
        return fields;
    }

private slots:
    void init()
    {
        lmrdesktoptest::useFreshHome(QLatin1String("recent-") + QString::number(++m_run));
        // Test runs keep away from the user's own list.
        QVERIFY(LMRRecentlyUsedListPath().startsWith(QDir::homePath() + QLatin1String("/.qttest/")));
    }

    void mostRecentFirst()
    {
        const QString base = lmrdesktoptest::makeFolder(QStringLiteral("recent folders"));
        const QString first = lmrdesktoptest::makeFolder(QStringLiteral("recent folders/First"));
        const QString second = lmrdesktoptest::makeFolder(QStringLiteral("recent folders/Été 2024 & more"));
        const QString gone = lmrdesktoptest::makeFolder(QStringLiteral("recent folders/gone"));

        QVERIFY(LMRNoteRecentFolder(first));
        QVERIFY(LMRNoteRecentFolder(second + QLatin1Char('/')));
        QVERIFY(LMRNoteRecentFolder(first));
        QCOMPARE(LMRRecentFolders(10), (QStringList{first, second}));
        QCOMPARE(LMRRecentFolders(1), QStringList{first});

        QVERIFY(LMRNoteRecentFolder(gone));
        QCOMPARE(LMRRecentFolders(10), (QStringList{gone, first, second}));
        QVERIFY(QDir(gone).removeRecursively());
        QCOMPARE(LMRRecentFolders(10), (QStringList{first, second}));

        QCOMPARE(entryFields(second),
                 (QStringList{"inode/directory", "Lumory", "'lumory %u'"}));
        QVERIFY(!LMRNoteRecentFolder(base + QLatin1String("/not a folder")));
    }

    // Opening a folder notes it a moment later, in the order the folders were opened, and at
    // once when the list is about to be read or the program ends.
    void notesReachTheList_data()
    {
        lmrtest::columns<bool>({"waitedFor"});
        QTest::newRow("left to run") << false;
        QTest::newRow("waited for") << true;
    }
    void notesReachTheList()
    {
        QFETCH(bool, waitedFor);
        const QString first = lmrdesktoptest::makeFolder(QStringLiteral("opened/First"));
        const QString second = lmrdesktoptest::makeFolder(QStringLiteral("opened/Second"));
        LMRRecentFiles::noteNewRecentDocument(first);
        LMRRecentFiles::noteNewRecentDocument(second);
        if (waitedFor) {
            LMRRecentFiles::waitForPendingNotes();
            QCOMPARE(LMRRecentFolders(10), (QStringList{second, first}));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(LMRRecentFolders(10), (QStringList{second, first}), 10000);
        }
    }

    // Another program's entries are kept; a damaged list is left alone (and nothing is noted).
    void existingList_data()
    {
        lmrtest::columns<QByteArray, bool>({"contents", "replaced"});
        const QByteArray theirsUri = QUrl::fromLocalFile(lmrdesktoptest::makeFolder(QStringLiteral("theirs"))).toEncoded();
        QTest::newRow("another program's entry")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<xbel version=\"1.0\" xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\""
               " xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "<bookmark href=\"" + theirsUri + "\" added=\"2030-01-01T00:00:00Z\""
               " modified=\"2030-01-01T00:00:00Z\" visited=\"2030-01-01T00:00:00Z\"><info>"
               "<metadata owner=\"http://freedesktop.org\"><mime:mime-type type=\"inode/directory\"/>"
               "<bookmark:applications><bookmark:application name=\"Files\" exec=\"'files %u'\""
               " modified=\"2030-01-01T00:00:00Z\" count=\"3\"/></bookmark:applications>"
               "</metadata></info></bookmark>\n</xbel>\n" << true;
        QTest::newRow("cut off in the middle")
            << QByteArray("<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">\n<bookmark href=\"file:///x\" ad")
            << false;
        QTest::newRow("empty file is a new list") << QByteArray() << true;
    }

    void existingList()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, replaced);
        const QString folder = lmrdesktoptest::makeFolder(QStringLiteral("noted"));
        lmrtest::writeFile(LMRRecentlyUsedListPath(), contents);

        QCOMPARE(LMRNoteRecentFolder(folder), replaced);
        QCOMPARE(LMRRecentFolders(5), replaced ? QStringList{folder} : QStringList());
        if (!replaced)
            QCOMPARE(lmrtest::readFile(LMRRecentlyUsedListPath()), contents);
        if (contents.contains("Files"))
            QCOMPARE(entryFields(lmrdesktoptest::rootPath() + QLatin1String("/theirs")),
                     (QStringList{"inode/directory", "Files", "'files %u'"}));
    }
};

LMR_REGISTER_TEST(RecentFoldersTest);
#include "RecentFoldersTest.moc"
