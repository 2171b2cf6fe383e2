// The grid and the window around it as a user meets them: the keyboard after the list changed
// under the highlighted item, where the Delete keys may trash files, the small controls of the
// sidebar and the bottom bar, and the dark appearance over the whole window.

#include "ScenarioSupport.h"

#include "app/BottomBarView.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "support/ClickableImageView.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/SystemAppearance.h"
#include "prefs/PreferencesWindowController.h"

using scenario::Window;

namespace {
bool looksDark(const QWidget *widget)
{
    return widget->palette().color(widget->backgroundRole()).lightness() < 128;
}

// The mean lightness of what a toolbar button's icon draws: light artwork on a dark bar.
int artworkLightness(const QToolButton *button)
{
    const QImage image = button->icon().pixmap(button->iconSize()).toImage().convertToFormat(QImage::Format_ARGB32);
    qint64 sum = 0, weight = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            sum += qint64(pixel.lightness()) * pixel.alpha();
            weight += pixel.alpha();
        }
    return weight ? int(sum / weight) : -1;
}
} // namespace

class WindowScenarios : public QObject
{
    Q_OBJECT

private slots:
    // The highlighted item is where the keys start, whatever re-ordered the list since it was
    // highlighted. By name the folder reads a b c d e z; by modification date z c e a d b.
    void keyboardAfterListChange_data()
    {
        // change: a menu entry, "drop", or a key
        // input: a key, or a Shift-click on a name
        // opened: in the viewer afterwards, if any
        lmrtest::columns<QString, QString, QString, QStringList, QString>(
            {"highlighted", "change", "input", "selected", "opened"});
        const QString descending = "View > Sort Thumbnails > Descending";
        QTest::newRow("Return after a descending sort") << "a.png" << descending << "Return" << QStringList{"a.png"}
                                                        << "a.png";
        QTest::newRow("Right after a descending sort") << "d.webp" << descending << "Right" << QStringList{"c.bmp"}
                                                       << "";
        QTest::newRow("Shift-click after a descending sort") << "b.jpg" << descending << "e.tif"
                                                             << QStringList{"b.jpg", "c.bmp", "d.webp", "e.tif"} << "";
        QTest::newRow("Return after a sort by date") << "a.png" << "View > Sort Thumbnails > By Modification Date"
                                                     << "Return" << QStringList{"a.png"} << "a.png";
        QTest::newRow("Return after a drop") << "a.png" << "drop" << "Return" << QStringList{"x.png"} << "x.png";
        QTest::newRow("Space after a deletion") << "c.bmp" << "Delete" << "Space" << QStringList{"d.webp"}
                                                << "d.webp";
    }
    void keyboardAfterListChange()
    {
        QFETCH(QString, highlighted);
        QFETCH(QString, change);
        QFETCH(QString, input);
        Window w;
        w.open(w.makeFolder(), 6);
        w.clickItem(highlighted);
        if (change == "drop") {
            QTemporaryDir elsewhere;
            w.dropOnGrid({lmrtest::writeImage(elsewhere.filePath("x.png"), 30, 20)});
            QVERIFY(w.onDisk("x.png"));
        } else if (change == "Delete") {
            w.press(Qt::Key_Delete);
        } else {
            QVERIFY(w.choose(change));
        }

        const QHash<QString, int> keys{{"Return", Qt::Key_Return}, {"Right", Qt::Key_Right}, {"Space", Qt::Key_Space}};
        if (keys.contains(input))
            w.press(keys[input]);
        else
            w.clickItem(input, Qt::ShiftModifier);
        QTEST(w.selectedNames(), "selected");
        QTEST(w.viewerFile(), "opened");
    }

    // The Delete keys trash what the grid or the viewer holds only while it has the keyboard;
    // the menu item works from anywhere.
    void deleteKeysNeedTheGridOrViewer_data()
    {
        lmrtest::columns<QString, int, bool>({"focus", "key", "trashes"});
        QTest::newRow("Delete in the grid") << "grid" << int(Qt::Key_Delete) << true;
        QTest::newRow("Backspace in the grid") << "grid" << int(Qt::Key_Backspace) << true;
        QTest::newRow("Delete in the viewer") << "viewer" << int(Qt::Key_Delete) << true;
        QTest::newRow("Delete in the sidebar") << "sidebar" << int(Qt::Key_Delete) << false;
        QTest::newRow("Backspace in the sidebar") << "sidebar" << int(Qt::Key_Backspace) << false;
        QTest::newRow("Delete in the zoom slider") << "slider" << int(Qt::Key_Delete) << false;
        QTest::newRow("Delete in the preferences window") << "preferences" << int(Qt::Key_Delete) << false;
    }
    void deleteKeysNeedTheGridOrViewer()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, trashes);
        Window w;
        w.open(w.makeFolder(), 6);
        w.clickItem("b.jpg");
        QWidget *expected = w.app().thumbnailsCollectionView;
        if (focus == "viewer") {
            w.press(Qt::Key_Return);
            expected = w.app().fullSizeView;
        } else if (focus == "sidebar") {
            w.press(Qt::Key_Tab);
            expected = w.app().sidebarOutlineView;
        } else if (focus == "slider") {
            expected = w.app().thumbnailZoomSlider;
            QTest::mouseClick(expected, Qt::LeftButton, {}, QPoint(4, expected->height() / 2));
        } else if (focus == "preferences") {
            QVERIFY(w.choose("File > Preferences…"));
            QWidget *preferences = w.app().preferencesWindowController->window();
            QVERIFY(QTest::qWaitForWindowActive(preferences));
            expected = preferences->findChild<QLineEdit *>("slideshowPacingTextField");
            QTest::mouseClick(expected, Qt::LeftButton);
        }
        Window::settle();
        QCOMPARE(QApplication::focusWidget(), expected);

        w.press(key);
        QCOMPARE(w.trashedNames(), trashes ? QStringList{"b.jpg"} : QStringList{});
        if (!trashes) {
            QVERIFY(w.choose("File > Move to Trash"));
            QCOMPARE(w.trashedNames(), QStringList{"b.jpg"});
        }
    }

    // Only a deliberate choice changes the root, and only the left button zooms.
    void smallControls_data()
    {
        // zoomStep: change of the zoom step
        // count: the count label afterwards: which folder is shown
        // history: entries of the history pop-up afterwards
        lmrtest::columns<QString, int, QString, int>({"input", "zoomStep", "count", "history"});
        QTest::newRow("wheel over the history pop-up") << "wheel" << 0 << "1 image" << 2;
        QTest::newRow("right-click on the large icon") << "right large" << 0 << "1 image" << 2;
        QTest::newRow("right-click on the small icon") << "right small" << 0 << "1 image" << 2;
        QTest::newRow("middle-click on the large icon") << "middle large" << 0 << "1 image" << 2;
        QTest::newRow("left-click on the large icon") << "left large" << 1 << "1 image" << 2;
        QTest::newRow("the previous folder chosen") << "choose" << 0 << "6 images" << 1;
    }
    void smallControls()
    {
        QFETCH(QString, input);
        QFETCH(int, zoomStep);
        QFETCH(QString, count);
        Window w;
        w.open(w.makeFolder(), 6);
        // Into the sub-folder: the history holds the folder and then the sub-folder.
        QTreeView *sidebar = w.app().sidebarOutlineView;
        QTRY_COMPARE(sidebar->model()->rowCount(), 1);
        QTest::mouseDClick(sidebar->viewport(), Qt::LeftButton, {},
                           sidebar->visualRect(sidebar->model()->index(0, 0)).center());
        QTRY_VERIFY(w.countText() == "1 image" && !w.busy());
        QComboBox *history = w.app().sidebarNavPopUpButton;
        QCOMPARE(history->count(), 2);
        const int zoom = w.app().thumbnailZoomSlider->value();

        if (input == "wheel") {
            for (int delta : {120, -120, 120}) {
                const QPointF at = history->rect().center();
                QWheelEvent wheel(at, history->mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton, {},
                                  Qt::NoScrollPhase, false);
                QApplication::sendEvent(history, &wheel);
                Window::settle();
            }
        } else if (input == "choose") {
            history->showPopup();
            QTest::keyClick(history->view(), Qt::Key_Up);
            QTest::keyClick(history->view(), Qt::Key_Return);
        } else {
            const QStringList words = input.split(' ');
            const Qt::MouseButton button = words[0] == "left" ? Qt::LeftButton
                                           : words[0] == "right" ? Qt::RightButton : Qt::MiddleButton;
            QWidget *icon = words[1] == "large" ? static_cast<QWidget *>(w.app().largerThumbnailsIcon)
                                                : static_cast<QWidget *>(w.app().smallerThumbnailsIcon);
            QTest::mouseClick(icon, button);
        }
        Window::settle();
        QTRY_VERIFY(w.countText() == count && !w.busy());
        QCOMPARE(w.app().thumbnailZoomSlider->value(), zoom + zoomStep);
        QTEST(history->count(), "history");
    }

    // A folder shown from the sidebar that cannot be read, or that goes while it is shown: the
    // window says why, stops turning, lists nothing and so trashes nothing; once the folder
    // around it is opened again, a removed folder's row is gone.
    void folderThatCannotBeRead_data()
    {
        lmrtest::columns<QString, QString>({"how", "reason"});
        QTest::newRow("no permission") << "unreadable" << "Permission denied";
        QTest::newRow("removed while shown") << "removed" << "No such file or directory";
    }
    void folderThatCannotBeRead()
    {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        Window w;
        const QString sub = w.makeFolder() + "/sub";
        w.open(QFileInfo(sub).path(), 6);
        QTreeView *sidebar = w.app().sidebarOutlineView;
        QTRY_COMPARE(sidebar->model()->rowCount(), 1);
        const QPoint row = sidebar->visualRect(sidebar->model()->index(0, 0)).center();
        QLabel *banner = w.app().folderProblemLabel;
        if (how == "unreadable") {
            // Open to others on the way down, as a user's folders are: the walk runs as nobody
            // (CI runs as root), the Delete key later as root again, which could trash anything.
            QFile::setPermissions(sub, {});
            for (QString dir = QFileInfo(sub).path(); dir != QDir::rootPath(); dir = QFileInfo(dir).path())
                if (!(QFile::permissions(dir) & QFile::ExeOther))
                    QFile::setPermissions(dir, QFile::permissions(dir) | QFile::Permissions(0x0055));
            lmrtest::UnprivilegedFileAccess guard;
            QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, row);
            QTRY_VERIFY(banner->isVisible());
        } else {
            QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, row);
            QTRY_VERIFY(w.countText() == "1 image" && !w.busy());
            QVERIFY(QDir(sub).removeRecursively());
        }
        QTRY_VERIFY(banner->isVisible());
        QCOMPARE(banner->text(), QString("The folder “sub” cannot be read: %1.").arg(reason));
        QVERIFY(!w.busy());
        QCOMPARE(w.countText(), "0 images");
        QCOMPARE(w.app().thumbnailsCollectionView->itemCount(), 0u);
        w.press(Qt::Key_Delete);
        QCOMPARE(w.trashedNames(), QStringList{});
        QFile::setPermissions(sub, QFile::Permissions(0x7700)); // a removed one stays removed
        w.open(QFileInfo(sub).path(), 6);
        QCOMPARE(sidebar->model()->rowCount(), how == "removed" ? 0 : 1);
        QVERIFY(!banner->isVisible());
    }

    // A dark desktop makes the whole window dark and its artwork light on dark; a switch of the
    // desktop while the program runs turns all of it at once.
    void darkAppearance()
    {
        qunsetenv("LUMORY_APPEARANCE");
        LMRSystemAppearance::setPortalColorSchemeForTesting(1);
        {
            Window w;
            w.open(w.makeFolder(), 6);
            AppDelegate &app = w.app();
            const QList<QWidget *> surfaces{app.window.data(), app.window->menuBar(),
                                            app.window->menuBar()->actions().first()->menu(),
                                            app.toolbar.data(), app.sidebarOutlineView.data(),
                                            app.bottomBarView.data(), app.thumbnailCountLabel.data()};
            const auto check = [&](bool dark) {
                for (QWidget *surface : surfaces)
                    QVERIFY2(looksDark(surface) == dark, qPrintable(surface->metaObject()->className()));
                // Our buttons; the toolbar's own overflow arrow is the style's.
                for (const QToolButton *button : w.app().toolbar->findChildren<QToolButton *>()) {
                    if (button->icon().isNull() || button->objectName().startsWith("qt_"))
                        continue;
                    const int lightness = artworkLightness(button);
                    QVERIFY2(dark == (lightness > 128), qPrintable(button->objectName()));
                }
            };
            check(true);
            // The desktop switches its colour scheme while the program runs.
            LMRSystemAppearance::portalSettingChanged("org.freedesktop.appearance", "color-scheme", 2);
            Window::settle();
            check(false);
            LMRSystemAppearance::portalSettingChanged("org.freedesktop.appearance", "color-scheme", 1);
            Window::settle();
            check(true);
        }
        LMRSystemAppearance::setPortalColorSchemeForTesting(-1);
        qputenv("LUMORY_APPEARANCE", "light");
        LMRSystemAppearance::applyApplicationPalette();
    }
};

LMR_REGISTER_TEST(WindowScenarios);
#include "WindowScenarios.moc"
