#include "AppTestSupport.h"

#include "grid/ImageCollectionView.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QTemporaryDir>

// The grid's context menu as the window builds it: the open-with entry the grid fills, and the
// copy commands reaching the grid's selection.
class ContextMenuTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppDelegate> delegate;

    static QAction *actionTitled(QMenu *menu, const QString &title)
    {
        for (QAction *action : menu->actions())
            if (action->text() == title)
                return action;
        return nullptr;
    }

private Q_SLOTS:
    void init() { Preferences::sharedInstance().clearForTesting(); }
    void cleanup() { apptest::terminate(delegate); }

    void theGridHasAnOpenWithEntryAndTheCommands()
    {
        delegate = apptest::launchDelegate();
        QMenu *menu = delegate->thumbnailsCollectionView->itemPopUpMenu();
        QVERIFY(menu);
        QAction *openWith = nullptr;
        for (QAction *action : menu->actions())
            if (action->data() == QVariant(-1))
                openWith = action;
        QVERIFY(openWith);
        QVERIFY(openWith->menu());
        for (const char *title : {"Copy", "Copy File Name", "Reveal in File Manager", "Move to Trash"})
            QVERIFY2(actionTitled(menu, QString::fromLatin1(title)), title);
    }

    void copyCommandsWriteTheSelectionsPaths()
    {
        QTemporaryDir folder;
        const QString a = folder.filePath(QStringLiteral("a.jpg"));
        const QString b = folder.filePath(QStringLiteral("b c.jpg"));
        for (const QString &path : {a, b}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        delegate = apptest::launchDelegate();
        delegate->thumbnailItems = {std::make_shared<LMRFileSystemImageItem>(a),
                                    std::make_shared<LMRFileSystemImageItem>(b)};
        ImageCollectionView *grid = delegate->thumbnailsCollectionView;
        grid->reloadData();
        grid->addItemAtIndexToSelection(1);
        QMenu *menu = grid->itemPopUpMenu();

        actionTitled(menu, QStringLiteral("Copy"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QFileInfo(b).canonicalFilePath());
        actionTitled(menu, QStringLiteral("Copy File Name"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("b c.jpg"));
    }
};

LMR_REGISTER_TEST(ContextMenuTest);
#include "ContextMenuTest.moc"
