// Which commands are enabled, checked and titled in each state, alike in the menus, the toolbar
// and the shortcuts; and the toolbar's own rules.

#include "support/AppSession.h"

#include "app/Toolbar.h"

using Session = lmrtest::AppSession;

namespace {

enum class State { NoFolder, ListOnly, GridSelection, ViewerNothingSelected, SlideshowRunning };

QAction *commandNamed(AppDelegate &delegate, const QString &name)
{
    for (QAction *action : delegate.window->findChildren<QAction *>()) {
        if (action->objectName() == name && !action->parent()->inherits("LMRButtonToolbarItem"))
            return action;
    }
    return nullptr;
}

} // namespace

class CommandValidationTest : public QObject
{
    Q_OBJECT

private slots:
    void enablingTable_data()
    {
        // expected: Open, Refresh, Delete, Reveal, Slideshow, Shuffle, Copy, Copy File Name, Select All.
        lmrtest::columns<int, QString>({"state", "expected"});
        QTest::newRow("no folder open") << int(State::NoFolder) << "110000000";
        QTest::newRow("items, none selected") << int(State::ListOnly) << "110011001";
        QTest::newRow("an item selected in the grid") << int(State::GridSelection) << "111111111";
        QTest::newRow("viewer with nothing selected") << int(State::ViewerNothingSelected) << "111111110";
        QTest::newRow("slideshow running") << int(State::SlideshowRunning) << "111110110";
    }

    // The toolbar buttons and the menu commands answer alike, and they follow the state without
    // a menu being opened (so the shortcuts do too); a toolbar item has a menu form (for the
    // overflow menu) only while it is enabled.
    void enablingTable()
    {
        QFETCH(int, state);
        QFETCH(QString, expected);
        Session delegate;
        if (state != int(State::NoFolder))
            delegate.addImages(3);
        QVERIFY(delegate.settleCommands());
        if (state == int(State::GridSelection))
            delegate->thumbnailsCollectionView->addItemAtIndexToSelection(1);
        if (state == int(State::ViewerNothingSelected)) {
            delegate->showItemWithIndexInFullSizeView(2);
            // The grid's selection follows the item shown; the rule must not lean on it.
            delegate->thumbnailsCollectionView->deselectAll();
        }
        if (state == int(State::SlideshowRunning))
            delegate->startSlideshowMenuItem->trigger();

        const QStringList toolbarItems{"Open", "Refresh", "Delete", "Reveal", "Slideshow", "Shuffle"};
        const QStringList commands{"openDocument", "refresh", "deleteSelectedItems", "revealSelectedThumbnailsInFinder",
                                   "startSlideshow", "startShuffledSlideshow", "copy", "copyFilenameOnly",
                                   "selectAll"};
        for (int i = 0; i < commands.size(); ++i) {
            const bool enabled = expected.at(i) == QLatin1Char('1');
            QAction *action = commandNamed(*delegate, commands.at(i));
            QVERIFY2(action, qPrintable(commands.at(i)));
            QTRY_COMPARE(action->isEnabled(), enabled);
            QCOMPARE(delegate->validateAction(action), enabled);
            if (i < toolbarItems.size()) {
                LMRButtonToolbarItem *item = delegate->toolbar->itemWithIdentifier(toolbarItems.at(i));
                QVERIFY(item);
                QTRY_COMPARE(item->isEnabled(), enabled);
                QCOMPARE(item->button()->isEnabled(), enabled);
                QCOMPARE(item->menuFormRepresentation() != nullptr, enabled);
            }
        }
    }

    // Opening a menu marks the sort in force and titles the show/hide items by the settings.
    void menusFollowTheSettings_data()
    {
        // thumbnailChecks: the four thumbnail sort items, then ascending and descending;
        // sidebarChecks: the three sidebar sort items, then ascending and descending.
        lmrtest::columns<int, int, bool, QString, QString>({"sortBy", "sortOrder", "shown", "thumbnailChecks", "sidebarChecks"});
        QTest::newRow("name, ascending") << 1 << 1 << true << "100010" << "10010";
        QTest::newRow("creation date, descending") << 2 << 2 << false << "010001" << "01001";
        QTest::newRow("modification date") << 3 << 1 << true << "001010" << "00110";
        QTest::newRow("file size (no sidebar item)") << 4 << 2 << false << "000101" << "00001";
        QTest::newRow("stored order 3 checks neither") << 1 << 3 << true << "100000" << "10000";
    }

    void menusFollowTheSettings()
    {
        QFETCH(int, sortBy);
        QFETCH(int, sortOrder);
        QFETCH(bool, shown);
        QFETCH(QString, thumbnailChecks);
        QFETCH(QString, sidebarChecks);
        Session delegate;
        Preferences &preferences = Preferences::sharedInstance();
        preferences.setThumbnailSortBy(sortBy);
        preferences.setThumbnailSortOrder(sortOrder);
        preferences.setSidebarSortBy(sortBy);
        preferences.setSidebarSortOrder(sortOrder);
        preferences.setShowSidebar(shown);
        preferences.setShowBottomBar(shown);
        preferences.setShowFilenames(shown);

        const QList<QAction *> thumbnailItems{
            delegate->sortThumbnailsByNameMenuItem, delegate->sortThumbnailsByCreationDateMenuItem,
            delegate->sortThumbnailsByModificationDateMenuItem, delegate->sortThumbnailsByFileSizeMenuItem,
            delegate->sortThumbnailsAscendingMenuItem, delegate->sortThumbnailsDescendingMenuItem};
        const QList<QAction *> sidebarItems{
            delegate->sortSidebarByNameMenuItem, delegate->sortSidebarByCreationDateMenuItem,
            delegate->sortSidebarByModificationDateMenuItem, delegate->sortSidebarAscendingMenuItem,
            delegate->sortSidebarDescendingMenuItem};
        const QList<QAction *> showItems{delegate->showSidebarMenuItem, delegate->showBottomBarMenuItem,
                                         delegate->showFilenamesMenuItem};
        // Checked wrongly first, so that only validation can make them right.
        for (QAction *item : thumbnailItems + sidebarItems)
            item->setChecked(true);
        // As the menus are opened by the user.
        for (QAction *item : {thumbnailItems.first(), sidebarItems.first(), showItems.first()})
            emit qobject_cast<QMenu *>(item->associatedObjects().first())->aboutToShow();
        for (int i = 0; i < thumbnailItems.size(); ++i)
            QCOMPARE(thumbnailItems.at(i)->isChecked(), thumbnailChecks.at(i) == QLatin1Char('1'));
        for (int i = 0; i < sidebarItems.size(); ++i)
            QCOMPARE(sidebarItems.at(i)->isChecked(), sidebarChecks.at(i) == QLatin1Char('1'));
        for (QAction *item : showItems)
            QVERIFY2(item->text().startsWith(shown ? QLatin1String("Hide ") : QLatin1String("Show ")), qPrintable(item->text()));
    }

    // Small size would be any icon size below the regular one; every road to it is turned back.
    void toolbarSmallSizeIsRefused()
    {
        Session delegate;
        LMRButtonToolbar *toolbar = delegate->toolbar;
        toolbar->setSizeMode(LMRButtonToolbar::SizeModeSmall);
        QCOMPARE(toolbar->sizeMode(), int(LMRButtonToolbar::SizeModeRegular));
        toolbar->setIconSize(QSize(12, 12));
        QCOMPARE(toolbar->iconSize(), LMRButtonToolbar::kRegularIconSize);
        toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
};

LMR_REGISTER_TEST(CommandValidationTest);
#include "CommandValidationTest.moc"
