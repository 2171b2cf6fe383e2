#include "support/ClickableImageView.h"
#include "support/DebugWindowController.h"
#include "support/TestRunner.h"

#include <QTest>

#include <thread>

class SmallViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void debugWindowShowsReports()
    {
        QCOMPARE(DebugWindowController::sharedInstance(), nullptr);
        {
            DebugWindowController controller;
            QCOMPARE(DebugWindowController::sharedInstance(), nullptr);
            controller.showWindow();
            QCOMPARE(DebugWindowController::sharedInstance(), &controller);
            QCOMPARE(controller.window()->windowTitle(), QStringLiteral("Debug"));
            QCOMPARE(controller.cacheCountText(), QStringLiteral("0"));

            controller.setCacheCount(12, 2000);
            controller.setContentItemsCount(1234567);
            // Handed to the main thread, never set inside the call.
            QCOMPARE(controller.cacheCountText(), QStringLiteral("0"));
            QTRY_COMPARE(controller.cacheCountText(), QStringLiteral("12 of 2000"));
            QTRY_COMPARE(controller.itemsCountText(), QStringLiteral("1234567"));

            // A worker reports and goes on; the main thread is not running meanwhile, so a
            // report that waited for it would never return.
            std::thread worker([] {
                DebugWindowController *shared = DebugWindowController::sharedInstance();
                shared->setPendingImageLoadsCount(-1);
                shared->setDrawnLastDrawRectCount(40);
                shared->setCacheCount(13, 2000);
            });
            worker.join();
            QTRY_COMPARE(controller.pendingImageLoadsCountText(), QStringLiteral("-1"));
            QTRY_COMPARE(controller.drawnLastDrawRectCountText(), QStringLiteral("40"));
            QTRY_COMPARE(controller.cacheCountText(), QStringLiteral("13 of 2000"));

            QTest::ignoreMessage(QtInfoMsg, "--");
            controller.logBreak();
        }
        QCOMPARE(DebugWindowController::sharedInstance(), nullptr);
    }
};

LMR_REGISTER_TEST(SmallViewsTest);
#include "SmallViewsTest.moc"
