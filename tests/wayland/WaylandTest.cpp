// The program on a Wayland compositor (run.sh starts a headless Weston and a private session
// bus): the main window opens a folder and paints its thumbnails, and a later launch's hand-over
// brings the window forward with its token.

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "grid/ImageCollectionView.h"
#include "platform/SingleInstance.h"
#include "platform/WindowActivation.h"
#include "prefs/Preferences.h"
#include "support/TestRunner.h"

#include <future>

namespace {

QString writeSolidImage(const QString &path, const QColor &color)
{
    QImage image(120, 120, QImage::Format_RGB32);
    image.fill(color);
    image.save(path);
    return path;
}

bool near(QRgb a, const QColor &b)
{
    return qAbs(qRed(a) - b.red()) < 12 && qAbs(qGreen(a) - b.green()) < 12 && qAbs(qBlue(a) - b.blue()) < 12;
}

} // namespace

class WaylandTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("wayland"))
            QSKIP("Needs a Wayland compositor: CTest runs this through run.sh on a headless Weston");
    }

    void init()
    {
        Preferences::sharedInstance().clearForTesting();
        QVERIFY(m_dir.isValid());
        m_folder = m_dir.filePath(QStringLiteral("shown"));
        QDir(m_folder).removeRecursively();
        QVERIFY(QDir().mkpath(m_folder));
        const QList<QColor> colors{Qt::red, Qt::green, Qt::blue};
        for (int i = 0; i < colors.size(); ++i)
            writeSolidImage(QStringLiteral("%1/%2.png").arg(m_folder).arg(i), colors.at(i));
        m_delegate = std::make_unique<AppDelegate>();
        m_delegate->launch();
        QVERIFY(QTest::qWaitForWindowExposed(m_delegate->window));
        m_delegate->applicationOpenURLs({QUrl::fromLocalFile(m_folder)});
        QTRY_COMPARE(m_delegate->thumbnailItems.size(), size_t(3));
    }

    void cleanup()
    {
        m_delegate->applicationWillTerminate();
        m_delegate.reset();
    }

    // The window is mapped by the compositor, and the grid draws each image's own colours.
    void mainWindowShowsTheFolder()
    {
        ImageCollectionView *grid = m_delegate->thumbnailsCollectionView;
        const QList<QColor> colors{Qt::red, Qt::green, Qt::blue};
        for (int i = 0; i < 3; ++i) {
            const QRectF item = grid->itemRectForCellRect(grid->cellRectForItemIndex(quint64(i)));
            const QPoint center = grid->imageRectForItemRect(item).center().toPoint();
            QTRY_VERIFY2(near(grid->viewport()->grab().toImage().pixel(center), colors.at(i)),
                         qPrintable(QStringLiteral("item %1").arg(i)));
        }
    }

    // A later "lumory FOLDER" hands its folder and its launcher's token over the rendezvous.
    void handOverBringsTheWindowForward()
    {
        const QString other = m_dir.filePath(QStringLiteral("other"));
        QVERIFY(QDir().mkpath(other));
        const QString name = QStringLiteral("lumory-wayland-test-%1").arg(QCoreApplication::applicationPid());
        LMRSingleInstance running(name);
        QVERIFY(running.listen());
        connect(&running, &LMRSingleInstance::received, m_delegate.get(), &AppDelegate::applicationDidReceiveHandOver);
        QStringList tokens;
        const auto previous = LMRWindowActivation::setHandlerForTesting([&tokens](QWidget *window, const QString &token) {
            tokens << token;
            LMRWindowActivation::bringForward(window, token);
        });
        m_delegate->window->showMinimized();

        auto later = std::async(std::launch::async, [name, other] {
            LMRSingleInstance instance(name);
            return instance.handOver({other}, QStringLiteral("launcher-token-7"));
        });
        QTRY_COMPARE(tokens, QStringList{QStringLiteral("launcher-token-7")});
        QTRY_VERIFY(later.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(later.get());
        LMRWindowActivation::setHandlerForTesting(previous);
        QVERIFY(m_delegate->window->isVisible());
        QVERIFY(!m_delegate->window->isMinimized());
        QTRY_VERIFY(m_delegate->sidebarRootFolderItem
                    && m_delegate->sidebarRootFolderItem->path() == QFileInfo(other).canonicalFilePath());
    }

private:
    QTemporaryDir m_dir;
    QString m_folder;
    std::unique_ptr<AppDelegate> m_delegate;
};

LMR_REGISTER_TEST(WaylandTest);
#include "WaylandTest.moc"
