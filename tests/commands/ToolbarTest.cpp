#include "CommandsTestSupport.h"

#include "app/Toolbar.h"
#include "support/Artwork.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/TestRunner.h"

#include <QAction>
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

    // Small size would be any icon size below the regular one; every road to it is turned back.
    void smallSizeIsRefused()
    {
        LaunchedDelegate delegate;
        LMRButtonToolbar *toolbar = delegate->toolbar;
        toolbar->setSizeMode(LMRButtonToolbar::SizeModeSmall);
        QCOMPARE(toolbar->sizeMode(), int(LMRButtonToolbar::SizeModeRegular));
        toolbar->setIconSize(QSize(12, 12));
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

        QVERIFY(refresh->menuFormRepresentation());

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
    }
};

LMR_REGISTER_TEST(ToolbarTest);
#include "ToolbarTest.moc"
