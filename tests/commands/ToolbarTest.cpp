#include "CommandsTestSupport.h"

#include "app/Toolbar.h"
#include "support/Artwork.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace commandstest;

namespace {

QImage rendered(const QIcon &icon)
{
    return icon.pixmap(LMRButtonToolbar::kRegularIconSize).toImage();
}

} // namespace

class ToolbarTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        qunsetenv("LUMORY_APPEARANCE");
    }

    void items_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("imageName");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("command");
        QTest::newRow("Open") << "Open" << "toolbar-open" << "Open Folder" << "Open a folder containing images"
                              << "openDocument";
        QTest::newRow("Refresh") << "Refresh" << "toolbar-refresh" << "Refresh" << "Refresh selected folder"
                                 << "refresh";
        QTest::newRow("Delete") << "Delete" << "toolbar-delete" << "Move to Trash" << "Move selected items to Trash"
                                << "deleteSelectedItems";
        QTest::newRow("Reveal") << "Reveal" << "toolbar-reveal" << "Reveal" << "Reveal selected items in File Manager"
                                << "revealSelectedThumbnailsInFinder";
        QTest::newRow("Slideshow") << "Slideshow" << "toolbar-slideshow" << "Slideshow" << "Start/stop slideshow"
                                   << "startSlideshow";
        QTest::newRow("Shuffle") << "Shuffle" << "toolbar-shuffle" << "Shuffle" << "Start shuffled slideshow"
                                 << "startShuffledSlideshow";
    }

    void items()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, imageName);
        QFETCH(QString, label);
        QFETCH(QString, toolTip);
        QFETCH(QString, command);
        LaunchedDelegate delegate;
        LMRButtonToolbarItem *item = delegate->toolbar->itemWithIdentifier(identifier);
        QVERIFY(item);
        QCOMPARE(item->imageName(), imageName);
        QCOMPARE(item->label(), label);
        QCOMPARE(item->paletteLabel(), label);
        QCOMPARE(item->toolTip(), toolTip);
        QCOMPARE(item->action()->objectName(), command);
        QCOMPARE(item->target(), delegate.delegate.get());
        QCOMPARE(item->delegate(), static_cast<LMRButtonToolbarDelegate *>(delegate.delegate.get()));
        QCOMPARE(item->button()->size(), QSize(48, 29));
        QCOMPARE(item->minimumSize(), QSize(48, 29));
        QCOMPARE(item->sizeMode(), int(LMRButtonToolbar::SizeModeRegular));
        QVERIFY(LMRHasImageNamed(imageName) && LMRHasImageNamed(imageName + QStringLiteral("-dark")));
        // The button runs the very action of the menu.
        if (item->isEnabled() && identifier == QLatin1String("Refresh")) {
            QSignalSpy triggered(item->action(), &QAction::triggered);
            QTest::mouseClick(item->button(), Qt::LeftButton);
            QCOMPARE(triggered.count(), 1);
        }
    }

    void lists()
    {
        LaunchedDelegate delegate;
        LMRButtonToolbar *toolbar = delegate->toolbar;
        const QString flexible = LMRToolbarItemIdentifier::FlexibleSpace;
        QCOMPARE(delegate->toolbarAllowedItemIdentifiers(toolbar),
                 (QStringList{"Open", "Refresh", "Delete", "Reveal", "Slideshow", "Shuffle",
                              LMRToolbarItemIdentifier::Space, flexible}));
        const QStringList defaults{flexible, "Open", "Refresh", flexible, "Delete", "Reveal",
                                   flexible, "Slideshow", "Shuffle", flexible};
        QCOMPARE(delegate->toolbarDefaultItemIdentifiers(toolbar), defaults);
        QCOMPARE(toolbar->itemIdentifiers(), defaults);
        QCOMPARE(delegate->slideshowToolbarItem.data(), toolbar->itemWithIdentifier(QStringLiteral("Slideshow")));
        QVERIFY(!delegate->toolbarItemForItemIdentifier(toolbar, QStringLiteral("Print"), true));
    }

    // Small size would be any icon size below the regular one; every road to it is turned back.
    void smallSizeIsRefused()
    {
        LaunchedDelegate delegate;
        LMRButtonToolbar *toolbar = delegate->toolbar;
        toolbar->setSizeMode(LMRButtonToolbar::SizeModeSmall);
        QCOMPARE(toolbar->sizeMode(), int(LMRButtonToolbar::SizeModeRegular));
        toolbar->setIconSize(QSize(12, 12));
        QCOMPARE(toolbar->iconSize(), LMRButtonToolbar::kRegularIconSize);
        delegate->window->setIconSize(QSize(16, 16));
        QCOMPARE(toolbar->iconSize(), LMRButtonToolbar::kRegularIconSize);
        toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        for (LMRButtonToolbarItem *item : toolbar->items())
            QCOMPARE(item->button()->size(), QSize(48, 29));
    }

    void menuFormOnlyWhileEnabled()
    {
        LaunchedDelegate delegate;
        QTemporaryDir dir;
        fillList(*delegate.delegate, dir, 2);
        LMRButtonToolbarItem *refresh = delegate->toolbar->itemWithIdentifier(QStringLiteral("Refresh"));
        LMRButtonToolbarItem *trash = delegate->toolbar->itemWithIdentifier(QStringLiteral("Delete"));
        QVERIFY(settle(*delegate.delegate));
        QVERIFY(!trash->isEnabled());
        QVERIFY(!trash->menuFormRepresentation());

        QAction *menuForm = refresh->menuFormRepresentation();
        QVERIFY(menuForm);
        QCOMPARE(menuForm->text(), QStringLiteral("Refresh"));
        QVERIFY(menuForm->shortcut().isEmpty());
        QSignalSpy triggered(delegate->refreshMenuItem.data(), &QAction::triggered);
        menuForm->trigger();
        QCOMPARE(triggered.count(), 1);

        // Enabled by a selection, it gains one; losing the selection takes it away again.
        delegate->thumbnailsCollectionView->addItemAtIndexToSelection(0);
        QTRY_VERIFY(trash->menuFormRepresentation());
        QCOMPARE(trash->menuFormRepresentation()->text(), QStringLiteral("Move to Trash"));
        QVERIFY(settle(*delegate.delegate));
        delegate->thumbnailsCollectionView->deselectAll();
        QTRY_VERIFY(!trash->menuFormRepresentation());
    }

    void appearanceChangeSwapsTheArtwork()
    {
        qputenv("LUMORY_APPEARANCE", "light");
        LaunchedDelegate delegate;
        const QList<LMRButtonToolbarItem *> items = delegate->toolbar->items();
        QCOMPARE(items.size(), 6);
        for (LMRButtonToolbarItem *item : items)
            QCOMPARE(rendered(item->image()), rendered(LMRImageNamed(item->imageName())));

        qputenv("LUMORY_APPEARANCE", "dark");
        LMRNotificationCenter::defaultCenter().post(LMRNotifications::AppearanceChanged);
        for (LMRButtonToolbarItem *item : items) {
            const QImage dark = rendered(LMRImageNamed(item->imageName() + QStringLiteral("-dark")));
            QVERIFY(dark != rendered(LMRImageNamed(item->imageName())));
            QCOMPARE(rendered(item->image()), dark);
            QCOMPARE(rendered(item->button()->icon()), dark);
        }

        qputenv("LUMORY_APPEARANCE", "light");
        LMRNotificationCenter::defaultCenter().post(LMRNotifications::AppearanceChanged);
        for (LMRButtonToolbarItem *item : items)
            QCOMPARE(rendered(item->button()->icon()), rendered(LMRImageNamed(item->imageName())));
    }
};

LMR_REGISTER_TEST(ToolbarTest);
#include "ToolbarTest.moc"
