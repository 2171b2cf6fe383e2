// The viewer's geometry: frames from scales, and where the centring scroll area puts a document
// once Qt lays the widgets out.

#include "support/DataTable.h"
#include "support/TestRunner.h"
#include "viewer/CenteringClipView.h"
#include "viewer/ScalingImageView.h"

namespace {

LMRImage bitmap(int width, int height)
{
    LMRImage image;
    image.image = QImage(width, height, QImage::Format_RGB32);
    image.image.fill(Qt::darkCyan);
    image.size = QSizeF(width, height);
    return image;
}

} // namespace

class ScalingGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void scaleOneIsPixelSizeWhateverThePointSize()
    {
        LMRScalingImageView view;
        LMRImage image = bitmap(300, 200);
        image.size = QSizeF(150, 100); // a 2x image
        view.setImage(image);
        view.setScale(1.0f);
        QCOMPARE(view.frameSize(), QSizeF(300, 200));
        view.scaleFrameBy(0.5f);
        QCOMPARE(view.frameSize(), QSizeF(150, 100));
        // A vector image has no pixels of its own: its size in points stands for them.
        image.isBitmap = false;
        view.setImage(image);
        view.setScale(1.0f);
        QCOMPARE(view.frameSize(), QSizeF(150, 100));
    }

    // A fitted image sits in the middle with no scroll bars, and a document one point wider than
    // the visible area scrolls by that point.
    void layoutInWidgets_data()
    {
        lmrtest::columns<QSize, float, QPoint, int>({"pixels", "scale", "position", "horizontalRange"});
        QTest::newRow("fitted 4000x3000") << QSize(4000, 3000) << -1.0f << QPoint(167, 0) << 0;
        QTest::newRow("100x50 enlarged") << QSize(100, 50) << -1.0f << QPoint(0, 0) << 0;
        QTest::newRow("999 wide") << QSize(999, 100) << 1.0f << QPoint(1, 200) << 0;
        // The scroll bar takes some height; y is checked against what is left.
        QTest::newRow("1001 wide") << QSize(1001, 100) << 1.0f << QPoint(0, -1) << 1;
    }

    void layoutInWidgets()
    {
        QFETCH(QSize, pixels);
        QFETCH(float, scale);
        QFETCH(QPoint, position);
        QFETCH(int, horizontalRange);
        LMRCenteringClipView clipView;
        auto *imageView = new LMRScalingImageView;
        clipView.setDocumentView(imageView);
        clipView.resize(1000, 500);
        clipView.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clipView));
        QCOMPARE(clipView.viewport()->size(), QSize(1000, 500));
        imageView->setImage(bitmap(pixels.width(), pixels.height()));
        imageView->setScale(scale < 0 ? imageView->fittingScale() : scale);
        QTRY_COMPARE(clipView.horizontalScrollBar()->maximum(), horizontalRange);
        if (position.y() < 0)
            position.setY((clipView.viewport()->height() - pixels.height() + 1) / 2);
        QTRY_COMPARE(imageView->pos(), position);
        QCOMPARE(clipView.verticalScrollBar()->maximum(), 0);
    }

};

LMR_REGISTER_TEST(ScalingGeometryTest);
#include "ScalingGeometryTest.moc"
