// The viewer with still images: zoom arithmetic and fitting, the path label, its keys, the
// clipboard, and images decoded off the main thread and ahead.

#include "ViewerTestSupport.h"

#include "model/Cache.h"
#include "support/DataTable.h"
#include "support/SegmentedControl.h"
#include "support/TestRunner.h"
#include "viewer/CenteringClipView.h"
#include "viewer/FullSizeView.h"
#include "viewer/ScalingImageView.h"



using viewertest::itemAt;
using viewertest::RecordingDelegate;

class FullSizeViewTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_photo;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    RecordingDelegate m_delegate;

    std::unique_ptr<FullSizeView> showViewer(const LMRImageItemPtr &item, QSize size = QSize(800, 600))
    {
        return viewertest::showViewer(&m_delegate, item, size);
    }

private slots:
    void init() { m_delegate = RecordingDelegate(); }

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_photo = lmrtest::writeImage(path(QStringLiteral("photo.png")), 400, 300);
        qputenv("LUMORY_APPEARANCE", "light");
    }

    void cleanupTestCase()
    {
        qunsetenv("LUMORY_APPEARANCE");
    }

    // The image point under the pointer (or under the middle, for keys) is still there after
    // the zoom, within a pixel, wherever the pointer is and whichever way the zoom comes.
    void zoomKeepsThePointUnderThePointer_data()
    {
        // where: as a fraction of the visible area; scale: from 2.0
        lmrtest::columns<QString, double, QPointF, float>({"how", "amount", "where", "scale"});
        QTest::newRow("wheel in, top left") << QStringLiteral("wheel") << 120.0 << QPointF(0.1, 0.15) << 2.2f;
        QTest::newRow("wheel out, bottom right") << QStringLiteral("wheel") << -120.0 << QPointF(0.9, 0.8)
                                                 << float(2.0 * std::pow(1.1, -1.0));
        QTest::newRow("touchpad turn") << QStringLiteral("wheel") << 30.0 << QPointF(0.7, 0.3)
                                       << float(2.0 * std::pow(1.1, 0.25));
        QTest::newRow("pinch open") << QStringLiteral("pinch") << 0.5 << QPointF(0.3, 0.6) << 3.0f;
        QTest::newRow("1 key") << QStringLiteral("key") << double(Qt::Key_1) << QPointF(0.5, 0.5) << 1.0f;
        QTest::newRow("zoom control: actual size") << QStringLiteral("segment") << 1.0 << QPointF(0.5, 0.5) << 1.0f;
        QTest::newRow("zoom control: in") << QStringLiteral("segment") << 2.0 << QPointF(0.5, 0.5) << 2.2f;
    }

    void zoomKeepsThePointUnderThePointer()
    {
        QFETCH(QString, how);
        QFETCH(double, amount);
        QFETCH(QPointF, where);
        QFETCH(float, scale);
        // Small enough that even actual size scrolls both ways.
        auto view = showViewer(itemAt(m_photo), QSize(300, 250));
        QVERIFY(view);
        // Larger than the visible area both ways, scrolled somewhere in the middle.
        view->zoomToScale(2.0f, QPointF(0, 0));
        QWidget *viewport = view->clipView()->viewport();
        view->clipView()->horizontalScrollBar()->setValue(300);
        view->clipView()->verticalScrollBar()->setValue(250);
        const QPointF anchor(viewport->width() * where.x(), viewport->height() * where.y());
        // The image point under a viewport point, from where the picture is drawn.
        LMRScalingImageView *image = view->imageView();
        auto imagePointAt = [&](QPointF p) {
            const QPointF inView = p - QPointF(image->pos());
            return QPointF(inView.x() * 400 / image->width(), inView.y() * 300 / image->height());
        };
        const QPointF before = imagePointAt(anchor);

        if (how == QLatin1String("wheel")) {
            // To whatever is under the pointer, as the window system would deliver it.
            QWidget *target = viewport->childAt(anchor.toPoint());
            QVERIFY(target == image);
            const QPointF local = target->mapFrom(viewport, anchor);
            QWheelEvent wheel(local, viewport->mapToGlobal(anchor), QPoint(), QPoint(0, int(amount)),
                              Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &wheel);
        } else if (how == QLatin1String("pinch")) {
            QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, anchor,
                                      anchor, viewport->mapToGlobal(anchor), amount, QPointF());
            QApplication::sendEvent(viewport, &pinch);
        } else if (how == QLatin1String("segment")) {
            qobject_cast<LMRSegmentedControl *>(view->zoomControl())->buttonForSegment(int(amount))->click();
        } else {
            QTest::keyClick(view.get(), Qt::Key(int(amount)));
        }
        QCOMPARE(view->scale(), scale);
        QVERIFY(!view->zoomedToFit());
        QApplication::processEvents();
        // Where that image point is drawn now.
        const QPointF after(before.x() * image->width() / 400 + image->x(), before.y() * image->height() / 300 + image->y());
        QVERIFY2(std::abs(after.x() - anchor.x()) <= 1.0 && std::abs(after.y() - anchor.y()) <= 1.0,
                 qPrintable(QStringLiteral("(%1, %2) moved to (%3, %4)")
                                .arg(anchor.x()).arg(anchor.y()).arg(after.x()).arg(after.y())));

        // 0 (or the control's last segment) fits again.
        if (how == QLatin1String("segment"))
            qobject_cast<LMRSegmentedControl *>(view->zoomControl())->buttonForSegment(3)->click();
        else
            QTest::keyClick(view.get(), Qt::Key_0);
        QVERIFY(view->zoomedToFit());
    }

    void zoomWithoutAnImageDoesNothing()
    {
        auto view = showViewer(itemAt(m_photo));
        QVERIFY(view);
        view->zoomToActualSize();

        view->showItem(itemAt(lmrtest::writeFile(path(QStringLiteral("broken.jpg")), "\xff\xd8 broken")));
        QVERIFY(!view->imageView()->hasImage());
        view->zoomIn();
        view->zoomOut();
        view->zoomToFit();
        view->didClickZoomControl(3);
        QTest::qWait(20);
        QCOMPARE(view->scale(), 1.0f);
        QVERIFY(!view->zoomedToFit());
        QCOMPARE(view->imageView()->frameSize(), QSizeF(0, 0));
    }

    // A file name is shown as it is written, never read as markup; Copy File Name takes it so.
    void pathLabelShowsTheNameAsWritten()
    {
        const QString file = lmrtest::writeImage(path(QStringLiteral("a <b> & c.png")), 20, 10);
        FullSizeView view;
        view.showItem(itemAt(file));
        QTextDocument shown;
        shown.setHtml(view.pathLabel()->text());
        QCOMPARE(shown.toPlainText(), file);
        QCOMPARE(view.pathLabel()->toolTip(), file);
        view.copyFilenameOnly();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a <b> & c.png"));
    }

    // Stepping, Escape and Space in a slideshow are driven through the window by the scenarios.
    void keys_data()
    {
        lmrtest::columns<int, QStringList>({"key", "calls"});
        const QStringList exit{QStringLiteral("cancelFullSizeView")};
        QTest::newRow("Return") << int(Qt::Key_Return) << exit;
        QTest::newRow("Space without a slideshow leaves") << int(Qt::Key_Space) << exit;
        QTest::newRow("other keys do nothing") << int(Qt::Key_A) << QStringList();
    }

    void keys()
    {
        QFETCH(int, key);
        QFETCH(QStringList, calls);
        // The window behind must not see any of the viewer's keys.
        struct Behind : QWidget {
            int keys = 0;
            void keyPressEvent(QKeyEvent *) override { ++keys; }
        } window;
        auto *view = new FullSizeView(&window);
        view->setDelegate(&m_delegate);
        view->resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        view->setFocus();
        view->showItem(itemAt(m_photo));
        QTest::keyClick(view, Qt::Key(key));
        QCOMPARE(m_delegate.calls, calls);
        QCOMPARE(window.keys, 0);
    }

    // An image not decoded ahead: its cached thumbnail is on show at once, stretched over the
    // frame the image will have; the event loop keeps turning while the image decodes on a
    // worker; the image then takes the thumbnail's place without the frame moving, whether it
    // stayed fitted or the user zoomed meanwhile.
    void imageDecodesOffTheMainThread_data()
    {
        QTest::addColumn<bool>("zoomIn");
        QTest::newRow("fitted") << false;
        QTest::newRow("zoomed in while it decodes") << true;
    }

    void imageDecodesOffTheMainThread()
    {
        QFETCH(bool, zoomIn);
        // 30 megapixels: a decode long enough that, on the main thread, it would stop the event
        // loop for many times the bound below.
        static const QString large = lmrtest::writeImage(path(QStringLiteral("large.png")), 6400, 4800);
        const LMRImageItemPtr item = itemAt(large);
        item->cacheImageSize();
        LMRThumbnailRAMCache::sharedInstance().setObject(
            LMRFileSystemImageItem::nsImageFromCGImage(lmrtest::makeTestImage(256, 192), 192), item->thumbnailKey(192));
        auto view = showViewer(itemAt(m_photo));
        QVERIFY(view);

        QElapsedTimer clock;
        qint64 lastTick = 0;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.setInterval(5);
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - lastTick);
            lastTick = clock.elapsed();
        });
        clock.start();
        ticker.start();
        view->showItem(item);
        QVERIFY(view->imageView()->showsPreview());
        // The fit comes on the next turn of the event loop; a user's zoom can only come after.
        QCoreApplication::processEvents();
        QVERIFY(view->zoomedToFit());
        if (zoomIn)
            view->zoomIn();
        const QRect frame = view->imageView()->geometry();
        QCOMPARE(frame.size(), LMRScalingImageView::widgetSizeForFrame(
                                   LMRScalingImageView::frameSizeForScale(QSizeF(6400, 4800), view->scale())));
        // The picture alone is stretched over the frame, not the thumbnail's transparent margin.
        const QImage drawn = view->imageView()->grab().toImage();
        const QColor topLeft = lmrtest::averageColor(drawn, QRect(2, 2, 8, 8));
        const QColor bottomRight = lmrtest::averageColor(drawn, QRect(drawn.width() - 10, drawn.height() - 10, 8, 8));
        QVERIFY2(topLeft.red() < 40 && topLeft.green() < 40 && qAbs(topLeft.blue() - 64) <= 2, qPrintable(topLeft.name()));
        QVERIFY2(bottomRight.red() > 215 && bottomRight.green() > 215, qPrintable(bottomRight.name()));

        QTRY_VERIFY_WITH_TIMEOUT(!view->isAwaitingDecode(), 60000);
        const qint64 decodedAfter = clock.elapsed();
        ticker.stop();
        QVERIFY(!view->imageView()->showsPreview());
        QCOMPARE(view->imageView()->image().image.size(), QSize(6400, 4800));
        QCOMPARE(view->imageView()->geometry(), frame);
        QCOMPARE(view->zoomedToFit(), !zoomIn);
        // A decode on the main thread stops the loop for about the whole decode.
        const qint64 bound = std::max<qint64>(150, decodedAfter / 3);
        QVERIFY2(longestGap < bound, qPrintable(QStringLiteral("the event loop stood still for %1 ms of %2 ms")
                                                    .arg(longestGap).arg(decodedAfter)));
    }

    void neighboursAreDecodedAheadAndForgotten()
    {
        const LMRImageItemPtr first = itemAt(lmrtest::writeImage(path(QStringLiteral("n1.png")), 64, 48));
        const LMRImageItemPtr second = itemAt(lmrtest::writeImage(path(QStringLiteral("n2.png")), 48, 64));
        const LMRImageItemPtr third = itemAt(lmrtest::writeImage(path(QStringLiteral("n3.png")), 30, 30));
        m_delegate.near = {second, third};
        auto view = showViewer(first);
        QVERIFY(view);
        QTRY_VERIFY(view->isDecodedAhead(second));
        QTRY_VERIFY(view->isDecodedAhead(third));

        // Taken from the cache, the image is still exactly the file's.
        m_delegate.near = {};
        view->showItem(second);
        QCOMPARE(view->imageView()->image().image, second->fullSizeImage().image);
        QTRY_VERIFY(view->zoomedToFit());
        QCOMPARE(view->imageView()->pixelSize(), QSizeF(48, 64));
        // No longer near: forgotten.
        QVERIFY(!view->isDecodedAhead(third));
        QVERIFY(!view->isDecodedAhead(first));

        // Out of the window nothing decoded is kept, the image on show included.
        QVERIFY(view->isDecodedAhead(second));
        view->hide();
        QVERIFY(!view->isDecodedAhead(second));
        QVERIFY(!view->imageView()->hasImage());
    }

};

LMR_REGISTER_TEST(FullSizeViewTest);
#include "FullSizeViewTest.moc"
