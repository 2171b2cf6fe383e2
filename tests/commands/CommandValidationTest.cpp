// Which commands are enabled in each state, alike in the menus, the toolbar and the shortcuts.

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

};

LMR_REGISTER_TEST(CommandValidationTest);
#include "CommandValidationTest.moc"
