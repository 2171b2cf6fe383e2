// Video in the viewer: a short clip made with the ffmpeg tool plays (frames reach the video
// widget) under its controls, stops whenever the viewer leaves the window, and never starts
// outside it.

#include "ViewerTestSupport.h"

#include "prefs/Preferences.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"
#include "support/TestRunner.h"
#include "viewer/FullSizeView.h"
#include "viewer/ScalingImageView.h"
#include "viewer/VideoControlBar.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

#include <algorithm>
#include <mutex>

using viewertest::itemAt;
using viewertest::RecordingDelegate;

class FullSizeVideoTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_clip;

    // A window with a split view holding the viewer, as the main window does.
    struct Window {
        // Not the split view itself: the video's control bar is a child of the window, which a
        // split view would take for a pane.
        QWidget window;
        QSplitter &splitter = *new QSplitter(&window);
        QWidget grid;
        FullSizeView *view = new FullSizeView;
        RecordingDelegate delegate;

        Window()
        {
            view->setDelegate(&delegate);
            splitter.addWidget(view);
            window.resize(480, 360);
            splitter.resize(480, 360);
        }
        ~Window()
        {
            if (!view->parentWidget())
                delete view;
        }
        bool show()
        {
            window.show();
            return QTest::qWaitForWindowExposed(&window);
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
        QTest::newRow("exit") << QStringLiteral("exit");
        QTest::newRow("next item") << QStringLiteral("next");
    }

    void playsAndStopsWhenTheViewerLeaves()
    {
        QFETCH(QString, how);
        Window window;
        QVERIFY(window.show());
        window.view->showItem(itemAt(m_clip));
        QTRY_VERIFY(window.view->player());
        QPointer<QMediaPlayer> player = window.view->player();
        // Sound only where a device plays it.
        QCOMPARE(player->audioOutput() != nullptr, !QMediaDevices::audioOutputs().isEmpty());
        QVERIFY(window.view->playerView()->isVisible());
        QCOMPARE(window.view->playerView()->geometry(), window.view->rect());
        QVERIFY(!window.view->imageView()->hasImage());
        QTRY_COMPARE_WITH_TIMEOUT(player->playbackState(), QMediaPlayer::PlayingState, 10000);
        QVERIFY(waitForFrame(window.view));
        // Told as it happens: once retired, the player belongs to another thread.
        QMediaPlayer::PlaybackState state = QMediaPlayer::PlayingState;
        QObject::connect(player, &QMediaPlayer::playbackStateChanged, [&state](QMediaPlayer::PlaybackState now) { state = now; });

        if (how == QLatin1String("replace"))
            window.removeViewer();
        else if (how == QLatin1String("exit"))
            window.view->exit();
        else
            window.view->showItem(itemAt(m_dir.filePath(QStringLiteral("nothing.png"))));
        QCOMPARE(window.view->player(), nullptr);
        QCOMPARE(window.view->playerView(), nullptr);
        QVERIFY(state != QMediaPlayer::PlayingState);
        // Torn down once it is out of the way.
        QTRY_VERIFY_WITH_TIMEOUT(!player, 5000);

        // Out of the window a clip never starts, neither when shown nor when the appearance
        // changes; the item stays for later.
        if (how == QLatin1String("replace")) {
            window.view->showItem(itemAt(m_clip));
            QTest::qWait(3 * FullSizeView::kPlayerStartDelayMs);
            LMRNotificationCenter::defaultCenter().post(LMRNotifications::AppearanceChanged);
            QCOMPARE(window.view->player(), nullptr);
            QCOMPARE(window.view->shownItem()->path(), m_clip);
        }
    }

    // The controls over a playing clip: the button and the keys play, pause and seek.
    void controlBarPlaysPausesAndSeeks()
    {
        Window window;
        QVERIFY(window.show());
        window.view->showItem(itemAt(m_clip));
        QTRY_VERIFY(window.view->player());
        QMediaPlayer *player = window.view->player();
        LMRVideoControlBar *bar = window.view->controlBar();
        QVERIFY(bar->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(player->playbackState(), QMediaPlayer::PlayingState, 10000);
        QVERIFY(waitForFrame(window.view));

        bar->playButton()->click();
        QTRY_COMPARE(player->playbackState(), QMediaPlayer::PausedState);
        bar->playButton()->click();
        QTRY_COMPARE(player->playbackState(), QMediaPlayer::PlayingState);
        QTest::keyClick(window.view, Qt::Key_K);
        QTRY_COMPARE(player->playbackState(), QMediaPlayer::PausedState);

        // L and J step by five seconds, once the clip can seek at all.
        QTRY_VERIFY_WITH_TIMEOUT(player->isSeekable(), 10000);
        const qint64 at = player->position();
        QTest::keyClick(window.view, Qt::Key_L);
        QTRY_VERIFY(player->position() >= at + 4000);
        QTest::keyClick(window.view, Qt::Key_J);
        QTRY_VERIFY(player->position() < at + 1000);
        // The keys of the viewer's own table keep their meaning.
        QTest::keyClick(window.view, Qt::Key_Right);
        QCOMPARE(window.delegate.calls, QStringList{QStringLiteral("next")});
        window.view->destroyAVPlayer();
        QCOMPARE(bar->player(), nullptr);
        QVERIFY(!bar->isVisible());
    }

    // Clips stepped past without a pause (a held arrow key) get no player at all; each clip
    // rested on gets one, and the one left behind is stopped away from the main thread, which
    // stopping a pipeline would otherwise freeze for up to a second, and then deleted.
    void steppingOnLeavesNoPlayersBehind()
    {
        Window window;
        QVERIFY(window.show());
        QSignalSpy started(window.view, &FullSizeView::playerStarted);
        for (int step = 0; step < 4; ++step)
            window.view->showItem(itemAt(m_clip));
        QTRY_VERIFY(window.view->player());
        QCOMPARE(started.count(), 1);

        std::mutex lock;
        int stoppedElsewhere = 0;
        int stoppedOnMainThread = 0;
        QList<QPointer<QMediaPlayer>> retired;
        for (int step = 0; step < 3; ++step) {
            QTRY_VERIFY(window.view->player());
            retired << window.view->player();
            QObject::connect(retired.last(), &QMediaPlayer::playbackStateChanged, [&](QMediaPlayer::PlaybackState state) {
                const std::lock_guard<std::mutex> guard(lock);
                if (state == QMediaPlayer::StoppedState)
                    ++(QThread::currentThread() == qApp->thread() ? stoppedOnMainThread : stoppedElsewhere);
            });
            window.view->showItem(itemAt(m_clip));
            QCOMPARE(window.view->findChildren<QMediaPlayer *>().size(), qsizetype(0));
        }
        // Deleted back on the main thread, where its pipeline's bus is read.
        QTRY_VERIFY_WITH_TIMEOUT(std::none_of(retired.begin(), retired.end(), [](const auto &player) { return player; }), 30000);
        QCOMPARE(stoppedElsewhere, int(retired.size()));
        QCOMPARE(stoppedOnMainThread, 0);
    }

};

LMR_REGISTER_TEST(FullSizeVideoTest);
#include "FullSizeVideoTest.moc"
