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
#include "viewer/VideoControlBar.h"

#include <QAudioDevice>
#include <QAudioOutput>
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
        else if (how == QLatin1String("hide"))
            window.view->hide();
        else if (how == QLatin1String("exit"))
            window.view->exit();
        else
            window.view->showItem(itemAt(m_dir.filePath(QStringLiteral("nothing.png"))));
        QCOMPARE(window.view->player(), nullptr);
        QCOMPARE(window.view->playerView(), nullptr);
        QVERIFY(state != QMediaPlayer::PlayingState);
        // Torn down once it is out of the way.
        QTRY_VERIFY_WITH_TIMEOUT(!player, 5000);
    }

    // The controls over a playing clip: shown at the start and whenever the pointer moves over
    // the picture, gone after the idle time; the button and the keys play, pause and seek; and
    // a machine without a sound server plays without a warning.
    void controlBarPlaysPausesAndSeeks()
    {
        // Qt reports a missing sound server once per program; that is not the clip's doing.
        QMediaDevices::audioOutputs();
        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
                if (type != QtDebugMsg && type != QtInfoMsg && QByteArray(context.category).startsWith("qt.multimedia"))
                    warnings << text;
            });
        auto restore = qScopeGuard([previous] { qInstallMessageHandler(previous); });

        Window window;
        QVERIFY(window.show());
        window.view->showItem(itemAt(m_clip));
        QTRY_VERIFY(window.view->player());
        QMediaPlayer *player = window.view->player();
        LMRVideoControlBar *bar = window.view->controlBar();
        QVERIFY(bar->isVisible());
        // Over the picture, in the window that holds the picture's own window.
        QCOMPARE(bar->parentWidget(), window.view->window());
        const QWidget *picture = window.view->playerView();
        QVERIFY(QRect(picture->mapTo(bar->parentWidget(), QPoint(0, 0)), picture->size()).contains(bar->geometry()));
        QTRY_COMPARE_WITH_TIMEOUT(player->playbackState(), QMediaPlayer::PlayingState, 10000);
        QVERIFY(waitForFrame(window.view));
        QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), LMRVideoControlBar::kIdleMilliseconds * 3);

        // The pointer moving over the picture brings it back.
        QMouseEvent move(QEvent::MouseMove, QPointF(40, 40), picture->mapToGlobal(QPointF(40, 40)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window.view->playerView(), &move);
        QVERIFY(bar->isVisible());

        bar->playButton()->click();
        QTRY_COMPARE(player->playbackState(), QMediaPlayer::PausedState);
        bar->playButton()->click();
        QTRY_COMPARE(player->playbackState(), QMediaPlayer::PlayingState);
        QTest::keyClick(window.view, Qt::Key_K);
        QTRY_COMPARE(player->playbackState(), QMediaPlayer::PausedState);

        // L and J step by five seconds; the label counts with the position.
        const qint64 at = player->position();
        QTest::keyClick(window.view, Qt::Key_L);
        QTRY_VERIFY(player->position() >= at + 4000);
        QTRY_COMPARE(bar->timeLabel()->text(),
                     QStringLiteral("%1 / 0:20").arg(LMRVideoControlBar::timeText(player->position())));
        QTest::keyClick(window.view, Qt::Key_J);
        QTRY_VERIFY(player->position() < at + 1000);
        // The keys of the viewer's own table keep their meaning.
        QTest::keyClick(window.view, Qt::Key_Right);
        QCOMPARE(window.delegate.calls, QStringList{QStringLiteral("next")});
        window.view->destroyAVPlayer();
        QCOMPARE(bar->player(), nullptr);
        QVERIFY(!bar->isVisible());
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // The volume is set on a perceived scale and remembered with the mute across clips; M
    // unmutes for the one after.
    void volumeAndMuteAreRemembered()
    {
        Preferences &preferences = Preferences::sharedInstance();
        preferences.setVideoVolume(0.4f);
        preferences.setVideoMuted(true);
        auto reset = qScopeGuard([&preferences] {
            preferences.setVideoVolume(1.0f);
            preferences.setVideoMuted(false);
        });
        {
            // What the bar gives an audio output, whether or not a device plays it.
            QMediaPlayer player;
            QAudioOutput output;
            LMRVideoControlBar bar;
            bar.setPlayer(&player, &output);
            QCOMPARE(bar.volumeSlider()->value(), 40);
            QVERIFY(bar.muteButton()->isChecked() && output.isMuted());
            QVERIFY(output.volume() < 0.4f); // a perceived scale, not the linear one
            bar.volumeSlider()->setValue(70);
        }
        QCOMPARE(preferences.videoVolume(), 0.7f);

        Window window;
        QVERIFY(window.show());
        for (bool muted : {true, false}) {
            window.view->showItem(itemAt(m_clip));
            QTRY_VERIFY(window.view->player());
            LMRVideoControlBar *bar = window.view->controlBar();
            QCOMPARE(bar->volumeSlider()->value(), 70);
            QCOMPARE(bar->muteButton()->isChecked(), muted);
            if (QAudioOutput *output = window.view->audioOutput())
                QCOMPARE(output->isMuted(), muted);
            QTest::keyClick(window.view, Qt::Key_M);
        }
        window.view->destroyAVPlayer();
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

    // A change of appearance starts the clip again from the beginning, with a new player; out
    // of the window nothing starts, neither then nor when the clip is shown, and the item stays
    // for later.
    void appearanceChangeStartsAgainOnlyInTheWindow()
    {
        Window window;
        QVERIFY(window.show());
        window.view->showItem(itemAt(m_clip));
        QTRY_VERIFY(window.view->player());
        QPointer<QMediaPlayer> first = window.view->player();
        QTRY_VERIFY_WITH_TIMEOUT(first->position() > 1000, 15000);
        LMRNotificationCenter::defaultCenter().post(LMRNotifications::AppearanceChanged);
        QTRY_VERIFY(window.view->player());
        QMediaPlayer *second = window.view->player();
        QVERIFY(second != first);
        QTRY_COMPARE_WITH_TIMEOUT(second->playbackState(), QMediaPlayer::PlayingState, 10000);
        QVERIFY(waitForFrame(window.view));
        QVERIFY(second->position() < 1000);

        window.removeViewer();
        window.view->showItem(itemAt(m_clip));
        QTest::qWait(3 * FullSizeView::kPlayerStartDelayMs);
        QCOMPARE(window.view->player(), nullptr);
        LMRNotificationCenter::defaultCenter().post(LMRNotifications::AppearanceChanged);
        QCOMPARE(window.view->player(), nullptr);
        QCOMPARE(window.view->shownItem()->path(), m_clip);
    }
};

LMR_REGISTER_TEST(FullSizeVideoTest);
#include "FullSizeVideoTest.moc"
