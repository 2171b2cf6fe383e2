#include "AppTestSupport.h"

#include "grid/ImageCollectionView.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

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

    void copyCommandsWriteTheSelectionsPaths()
    {
        QTemporaryDir folder;
        const QString a = folder.filePath(QStringLiteral("a.jpg"));
        const QString b = folder.filePath(QStringLiteral("b c.jpg"));
        for (const QString &path : {a, b})
            QVERIFY(!lmrtest::writeFile(path, {}).isEmpty());
        delegate = apptest::launchDelegate();
        delegate->thumbnailItems = {std::make_shared<LMRFileSystemImageItem>(a),
                                    std::make_shared<LMRFileSystemImageItem>(b)};
        ImageCollectionView *grid = delegate->thumbnailsCollectionView;
        grid->reloadData();
        QMenu *menu = grid->itemPopUpMenu();
        // The shared commands are enabled by the same rules as in the menu bar, checked as it opens.
        Q_EMIT menu->aboutToShow();
        QVERIFY(!actionTitled(menu, QStringLiteral("Move to Trash"))->isEnabled());
        grid->addItemAtIndexToSelection(1);
        Q_EMIT menu->aboutToShow();
        QVERIFY(actionTitled(menu, QStringLiteral("Move to Trash"))->isEnabled());

        actionTitled(menu, QStringLiteral("Copy"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QFileInfo(b).canonicalFilePath());
        actionTitled(menu, QStringLiteral("Copy File Name"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("b c.jpg"));
    }
};

LMR_REGISTER_TEST(ContextMenuTest);
#include "ContextMenuTest.moc"
