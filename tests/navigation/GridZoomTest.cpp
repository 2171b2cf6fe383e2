// Ctrl+wheel and pinches over the grid change the thumbnail size a step at a time, as the zoom
// commands do, and the item under the pointer is still under it afterwards.

#include "NavigationTestSupport.h"

#include "app/MainWindow.h"

#include "support/TestRunner.h"

#include <QNativeGestureEvent>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>

using navtest::Session;

class GridZoomTest : public QObject
{
    Q_OBJECT

private slots:
    void stepsKeepingTheItemUnderThePointer_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<double>("amount");
        QTest::addColumn<int>("startStep");
        QTest::addColumn<int>("endStep");
        QTest::newRow("wheel notch in") << QStringLiteral("wheel") << 120.0 << 3 << 4;
        QTest::newRow("wheel notch out") << QStringLiteral("wheel") << -120.0 << 3 << 2;
        QTest::newRow("two notches at once") << QStringLiteral("wheel") << -240.0 << 4 << 2;
        QTest::newRow("touchpad turns add up") << QStringLiteral("wheel") << 40.0 << 2 << 3;
        QTest::newRow("pinch open") << QStringLiteral("pinch") << 0.1 << 2 << 3;
        QTest::newRow("pinch closed") << QStringLiteral("pinch") << -0.1 << 3 << 2;
        QTest::newRow("at the largest step") << QStringLiteral("wheel") << 120.0 << 16 << 16;
    }

    void stepsKeepingTheItemUnderThePointer()
    {
        QFETCH(QString, how);
        QFETCH(double, amount);
        QFETCH(int, startStep);
        QFETCH(int, endStep);
        Session s(80);
        AppDelegate &d = *s.delegate;
        ImageCollectionView *grid = d.thumbnailsCollectionView;
        QVERIFY(QTest::qWaitForWindowExposed(d.window.data()));
        d.thumbnailZoomSlider->setValue(startStep);
        QCOMPARE(grid->itemSize(), qint64(96 * startStep));
        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 3);

        QWidget *viewport = grid->viewport();
        const QPointF pointer(viewport->width() * 0.6, viewport->height() * 0.4);
        auto itemUnder = [&] {
            return grid->itemIndexAtPoint(pointer + QPointF(0, grid->documentVisibleRect().y()));
        };
        const quint64 item = itemUnder();
        QVERIFY(item < 80);
        const int scrolled = grid->verticalScrollBar()->value();

        // Small turns come in several events, as a touchpad sends them.
        const int events = how == QLatin1String("pinch") ? 3 : (std::abs(amount) < 120 ? 3 : 1);
        for (int i = 0; i < events; ++i) {
            if (how == QLatin1String("wheel")) {
                QWheelEvent wheel(pointer, viewport->mapToGlobal(pointer), QPoint(), QPoint(0, int(amount)),
                                  Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(viewport, &wheel);
            } else {
                QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, pointer,
                                          pointer, viewport->mapToGlobal(pointer), amount, QPointF());
                QApplication::sendEvent(viewport, &pinch);
            }
        }
        QCOMPARE(d.thumbnailZoomSlider->value(), endStep);
        QCOMPARE(grid->itemSize(), qint64(96 * endStep));
        QCOMPARE(Preferences::sharedInstance().intZoomValue(), qint64(endStep));
        if (endStep == startStep) {
            QCOMPARE(grid->verticalScrollBar()->value(), scrolled);
            QCOMPARE(itemUnder(), item);
        }
        // Its row is where the pointer is; with another number of columns it may have moved
        // sideways, which a grid that scrolls only up and down cannot undo.
        const QRectF cell = grid->cellRectForItemIndex(item).translated(0, -grid->documentVisibleRect().y());
        QVERIFY2(cell.top() <= pointer.y() && pointer.y() < cell.bottom(),
                 qPrintable(QStringLiteral("row %1-%2, pointer at %3").arg(cell.top()).arg(cell.bottom()).arg(pointer.y())));

        // Without Ctrl the wheel scrolls and the size stays.
        QWheelEvent plain(pointer, viewport->mapToGlobal(pointer), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        const int before = grid->verticalScrollBar()->value();
        QApplication::sendEvent(viewport, &plain);
        QCOMPARE(grid->itemSize(), qint64(96 * endStep));
        QVERIFY(grid->verticalScrollBar()->value() > before);
    }
};

LMR_REGISTER_TEST(GridZoomTest);
#include "GridZoomTest.moc"
