#include "AppTestSupport.h"

#include "prefs/ColorWell.h"
#include "prefs/PreferencesWindowController.h"
#include "support/DataTable.h"
#include "support/TestRunner.h"
#include "support/TestUtils.h"

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppDelegate> delegate;

    void resizeWindow(const QSize &size)
    {
        delegate->window->resize(size);
        QTRY_COMPARE(delegate->window->size(), size);
    }

private slots:
    void init()
    {
        Preferences::sharedInstance().clearForTesting();
    }

    void cleanup()
    {
        apptest::terminate(delegate);
    }

    // A drag of the divider, the zoom knob pulled and a colour picked in its dialog change a
    // setting at every step; the settings file is written once, when the gesture ends.
    void gesturesWriteTheSettingsOnceAtTheirEnd_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("divider dragged") << "MainSplitView";
        QTest::newRow("zoom knob pulled") << "IntZoomValue";
        QTest::newRow("colour picked in its dialog") << "BackgroundColor";
    }
    void gesturesWriteTheSettingsOnceAtTheirEnd()
    {
        QFETCH(QString, key);
        delegate = apptest::launchDelegate();
        resizeWindow(QSize(1000, 700));
        Preferences &preferences = Preferences::sharedInstance();
        const QString file = preferences.settings().fileName();
        auto inFile = [&] { return QSettings(file, QSettings::IniFormat).value(key); };
        const QVariant before = inFile();

        std::function<void(int)> step;
        std::function<void()> end;
        QSplitterHandle *handle = delegate->splitView->handle(1);
        QSlider *slider = delegate->thumbnailZoomSlider;
        QPointer<QColorDialog> dialog;
        auto sendMouse = [handle](QEvent::Type type, int x) {
            const QPoint at(x, handle->height() / 2);
            QMouseEvent event(type, at, handle->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(handle, &event);
        };
        if (key == "MainSplitView") {
            sendMouse(QEvent::MouseButtonPress, 0);
            step = [&](int i) { sendMouse(QEvent::MouseMove, 6 * i); };
            end = [&] { sendMouse(QEvent::MouseButtonRelease, 60); };
        } else if (key == "IntZoomValue") {
            slider->setSliderDown(true);
            step = [&](int i) { slider->setValue(1 + i); };
            end = [&] { slider->setSliderDown(false); };
        } else {
            delegate->showPreferences(nullptr);
            QTest::mouseClick(delegate->preferencesWindowController->backgroundColorWell, Qt::LeftButton);
            dialog = delegate->preferencesWindowController->backgroundColorWell->findChild<QColorDialog *>();
            QVERIFY(dialog);
            step = [&](int i) {
                dialog->setCurrentColor(QColor(20 * i, 40, 60));
                QCOMPARE(preferences.backgroundColor(), QColor(20 * i, 40, 60));   // shown at once
            };
            end = [&] {
                dialog->accept();
                QTRY_VERIFY(!dialog);
            };
        }
        for (int i = 1; i <= 10; ++i) {
            step(i);
            QCOMPARE(inFile(), before);
        }
        end();
        QVERIFY(inFile() != before);
        QCOMPARE(inFile(), preferences.storedValue(key));
    }

    void folderFromTheCommandLine_data()
    {
        lmrtest::columns<QStringList, QString>({"arguments", "opened"});
        // The file selected and on show in the viewer once its folder is listed.
        QTest::addColumn<QString>("shown");

        QTest::newRow("three folders open the first only") << QStringList{"B", "A", "C"} << "B" << "";
        QTest::newRow("an image opens its folder with it shown") << QStringList{"B/b.png", "A"} << "B" << "B/b.png";
        QTest::newRow("a file of no listed type opens nothing") << QStringList{"notes.txt"} << "" << "";
        QTest::newRow("a missing path opens nothing") << QStringList{"missing.png"} << "" << "";
        QTest::newRow("no arguments") << QStringList{} << "" << "";
    }

    void folderFromTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, opened);
        QFETCH(QString, shown);

        QTemporaryDir dir;
        const QDir root(dir.path());
        for (const char *name : {"A", "B", "C"})
            QVERIFY(root.mkpath(QLatin1String(name)));
        for (const char *name : {"B/a.png", "B/b.png", "B/c.png"})
            lmrtest::writeImage(root.filePath(QLatin1String(name)), 8, 8);
        lmrtest::writeFile(root.filePath(QStringLiteral("notes.txt")), {});

        delegate = apptest::launchDelegate();
        delegate->restoredSidebarRootFolderURL = root.filePath(QStringLiteral("C"));
        delegate->sidebarNavHistory.push_back(std::make_shared<LMRFileSystemItem>(root.filePath(QStringLiteral("C"))));

        QList<QUrl> urls;
        for (const QString &argument : arguments)
            urls.append(QUrl::fromLocalFile(root.filePath(argument)));
        delegate->applicationOpenURLs(urls);

        // The new root is set after the current event, not inside the hand-over.
        QVERIFY(!delegate->sidebarRootFolderItem);
        QCoreApplication::processEvents();

        // An opened folder starts the history afresh; otherwise the restored folder stays.
        QCOMPARE(bool(delegate->sidebarRootFolderItem), !opened.isEmpty());
        if (!opened.isEmpty())
            QCOMPARE(delegate->sidebarRootFolderItem->path(), QFileInfo(root.filePath(opened)).canonicalFilePath());
        QCOMPARE(delegate->sidebarNavHistory.size(), size_t(1));
        QCOMPARE(delegate->restoredSidebarRootFolderURL.isEmpty(), !opened.isEmpty());
        if (!shown.isEmpty()) {
            const QString file = QFileInfo(root.filePath(shown)).canonicalFilePath();
            QTRY_VERIFY(delegate->isFullSizeViewShown());
            QCOMPARE(delegate->thumbnailItems.size(), size_t(3));
            QCOMPARE(delegate->thumbnailItems.at(delegate->fullSizeItemIndex)->path(), file);
        }
    }

    // What the user left is what the next start shows; a place no screen shows any more is
    // brought back onto one.
    void rememberedWindow_data()
    {
        lmrtest::columns<QRect, bool>({"geometry", "maximised"});
        QTest::newRow("size and position") << QRect(60, 50, 700, 500) << false;
        QTest::newRow("maximised") << QRect(60, 50, 700, 500) << true;
        QTest::newRow("off every screen") << QRect(5000, 4000, 700, 500) << false;
    }
    void rememberedWindow()
    {
        QFETCH(QRect, geometry);
        QFETCH(bool, maximised);
        delegate = apptest::launchDelegate();
        QVERIFY(QTest::qWaitForWindowExposed(delegate->window));
        delegate->window->setGeometry(geometry);
        QTRY_COMPARE(delegate->window->geometry(), geometry);
        if (maximised) {
            delegate->window->showMaximized();
            QTRY_VERIFY(delegate->window->isMaximized());
        }
        apptest::terminate(delegate);

        delegate = apptest::launchDelegate();
        QVERIFY(QTest::qWaitForWindowExposed(delegate->window));
        MainWindow *window = delegate->window;
        QTRY_COMPARE(window->isMaximized(), maximised);
        const QRect screen = window->screen()->availableGeometry();
        if (!maximised && screen.contains(geometry))
            QCOMPARE(window->geometry(), geometry);
        QVERIFY2(screen.contains(window->geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(
            window->x()).arg(window->y()).arg(window->width()).arg(window->height())));
    }
};

LMR_REGISTER_TEST(MainWindowTest);
#include "MainWindowTest.moc"
