// Video in the viewer: a short clip made with the ffmpeg tool plays (frames reach the video
// widget), stops whenever the viewer leaves the window, never starts outside it, and starts
// again from the beginning when the appearance changes.

#include "ViewerTestSupport.h"

#include "prefs/Preferences.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/TestRunner.h"
#include "viewer/FullSizeView.h"
#include "viewer/ScalingImageView.h"

#include <QAudioOutput>

#include <QMediaPlayer>
#include <QProcess>
#include <QSignalSpy>
#include <QSplitter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

using viewertest::itemAt;
using viewertest::RecordingDelegate;

class FullSizeVideoTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_clip;

    // A window with a split view holding the viewer, as the main window does.
    struct Window {
        QSplitter splitter;
        QWidget grid;
        FullSizeView *view = new FullSizeView;
        RecordingDelegate delegate;

        Window()
        {
            view->setDelegate(&delegate);
            splitter.addWidget(view);
            splitter.resize(480, 360);
        }
        ~Window()
        {
            if (!view->parentWidget())
                delete view;
        }
        bool show()
        {
            splitter.show();
            return QTest::qWaitForWindowExposed(&splitter);
        }
        // What the application does when it goes back to the grid.
        void removeViewer()
        {
            splitter.replaceWidget(splitter.indexOf(view), &grid);
            view->hide();
        }
    };

    static bool waitForFrame(FullSizeView *view)
    {
        if (!view->playerView())
            return false;
        QSignalSpy frames(view->playerView()->videoSink(), &QVideoSink::videoFrameChanged);
        return QTest::qWaitFor([&] {
            for (const QList<QVariant> &arguments : frames) {
                if (arguments.at(0).value<QVideoFrame>().isValid())
                    return true;
            }
            return false;
        }, 10000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        if (ffmpeg.isEmpty())
            QSKIP("the ffmpeg tool is needed to make the test clip");
        m_clip = m_dir.filePath(QStringLiteral("clip.mp4"));
        // Long enough to still be playing when the test looks; with a silent audio track, which
        // only plays with an audio output attached.
        const QStringList arguments = QStringLiteral(
            "-v error -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i anullsrc=r=44100:cl=mono "
            "-t 20 -pix_fmt yuv420p -c:v libx264 -preset ultrafast -c:a aac -shortest").split(u' ');
        const int status = QProcess::execute(ffmpeg, arguments + QStringList{m_clip});
        QCOMPARE(status, 0);
        Preferences::sharedInstance().setIncludeVideos(true);
    }

    void playsAndStopsWhenTheViewerLeaves_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("replaced in the split view") << QStringLiteral("replace");
        QTest::newRow("hidden") << QStringLiteral("hide");
        QTest::newRow("exit") << QStringLiteral("exit");
        QTest::newRow("next item") << QStringLiteral("next");
    }

    void playsAndStopsWhenTheViewerLeaves()
    {
        QFETCH(QString, how);
        Window window;
        QVERIFY(window.show());
        window.view->showItem(itemAt(m_clip));
        QPointer<QMediaPlayer> player = window.view->player();
        QVERIFY(player);
        QVERIFY(player->audioOutput() && player->audioOutput()->isMuted());
        QVERIFY(window.view->playerView()->isVisible());
        QCOMPARE(window.view->playerView()->geometry(), window.view->rect());
        QVERIFY(!window.view->imageView()->hasImage());
        QTRY_COMPARE_WITH_TIMEOUT(player->playbackState(), QMediaPlayer::PlayingState, 10000);
        QVERIFY(waitForFrame(window.view));

        if (how == QLatin1String("replace"))
            window.removeViewer();
        else if (how == QLatin1String("hide"))
            window.view->hide();
        else if (how == QLatin1String("exit"))
            window.view->exit();
        else
            window.view->showItem(itemAt(m_dir.filePath(QStringLiteral("nothing.png"))));
        QCOMPARE(window.view->player(), nullptr);
        QCOMPARE(window.view->playerView(), nullptr);
        QVERIFY(!player || player->playbackState() != QMediaPlayer::PlayingState);
        // Torn down once it is out of the way.
        QTRY_VERIFY_WITH_TIMEOUT(!player, 5000);
    }

    void neverStartsOutsideTheWindow()
    {
        Window window;
        QVERIFY(window.show());
        window.removeViewer();
        window.view->showItem(itemAt(m_clip));
        QCOMPARE(window.view->player(), nullptr);

        // Nor when the appearance changes while it is away; the item stays for later.
        LMRNotificationCenter::defaultCenter().post(LMRNotifications::AppearanceChanged);
        QCOMPARE(window.view->player(), nullptr);
        QCOMPARE(window.view->shownItem()->path(), m_clip);
    }

    void appearanceChangeStartsAgainFromTheBeginning()
    {
        Window window;
        QVERIFY(window.show());
        window.view->showItem(itemAt(m_clip));
        QPointer<QMediaPlayer> first = window.view->player();
        QVERIFY(first);
        QTRY_VERIFY_WITH_TIMEOUT(first->position() > 1000, 15000);

        LMRNotificationCenter::defaultCenter().post(LMRNotifications::AppearanceChanged);
        QMediaPlayer *second = window.view->player();
        QVERIFY(second && second != first);
        QVERIFY(!first || first->playbackState() != QMediaPlayer::PlayingState);
        QTRY_COMPARE_WITH_TIMEOUT(second->playbackState(), QMediaPlayer::PlayingState, 10000);
        QVERIFY(waitForFrame(window.view));
        QVERIFY(second->position() < 1000);
        window.view->destroyAVPlayer();
    }
};

LMR_REGISTER_TEST(FullSizeVideoTest);
#include "FullSizeVideoTest.moc"
