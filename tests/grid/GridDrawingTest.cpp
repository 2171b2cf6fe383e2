// The paint pass, checked on rendered pixels: placeholder grey per appearance, the selection
// highlight with and without focus, the video badge, and which cells a partial repaint or a
// selection change draws.

#include "GridTestSupport.h"
#include "model/Cache.h"

namespace {
const QColor kBackground(0x20, 0x40, 0x60);
const QColor kLabel(0x00, 0xff, 0x00);
const QColor kSelection(0xff, 0x00, 0x00);
} // namespace

using Indices = std::vector<qint64>;

class GridDrawingTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        qunsetenv("LUMORY_APPEARANCE");
        m_view = makeGrid(m_delegate);
        Preferences &prefs = Preferences::sharedInstance();
        prefs.setBackgroundColor(kBackground);
        prefs.setLabelColor(kLabel);
        prefs.setSelectionColor(kSelection);
        LMRThumbnailRAMCache::sharedInstance().removeAllObjects();
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        m_view.reset();
        qunsetenv("LUMORY_APPEARANCE");
    }

    void placeholderFollowsAppearance_data()
    {
        QTest::addColumn<int>("grey");   // the row's name is the appearance
        QTest::newRow("light") << 230;
        QTest::newRow("dark") << 64;
    }
    void placeholderFollowsAppearance()
    {
        QFETCH(int, grey);
        qputenv("LUMORY_APPEARANCE", QTest::currentDataTag());
        setItems({"a.jpg", "b.jpg"});
        QImage thumbnail(288, 288, QImage::Format_ARGB32_Premultiplied);
        thumbnail.fill(Qt::yellow);
        const QString key = LMRThumbnailRAMCache::keyFor(m_delegate.items[1]->path(), 288);
        LMRThumbnailRAMCache::sharedInstance().setObject(thumbnail, key);
        const QImage image = render();
        QCOMPARE(pixelAt(image, viewportImageRect(*m_view, 0).center()), QColor(grey, grey, grey));
        QCOMPARE(pixelAt(image, viewportImageRect(*m_view, 1).center()), QColor(Qt::yellow));
        QCOMPARE(m_view->drawnLastPaintCount(), qint64(2));
    }

    void selectionHighlightFollowsFocus_data()
    {
        lmrtest::columns<bool, QColor>({"focused", "color"});
        QTest::newRow("focused in the active window") << true << kSelection;
        QTest::newRow("unfocused") << false << QColor(204, 204, 204);
    }
    void selectionHighlightFollowsFocus()
    {
        QFETCH(bool, focused);
        setItems({"a.jpg", "b.jpg"});
        m_view->setSelection(LMRIndexSet{1});
        if (focused) {
            m_view->activateWindow();
            m_view->setFocus();
            QTRY_VERIFY(m_view->hasFocus() && m_view->isActiveWindow());
        } else {
            m_view->clearFocus();
            QTRY_VERIFY(!m_view->hasFocus());
        }
        const QImage image = render();
        // Between the highlight's edge (4 in) and the thumbnail (12 in), away from the corners.
        const QRectF cell = m_view->cellRectForItemIndex(1), unselected = m_view->cellRectForItemIndex(0);
        QTEST(pixelAt(image, QPointF(cell.center().x(), cell.top() + 8)), "color");
        QCOMPARE(pixelAt(image, QPointF(unselected.center().x(), unselected.top() + 8)), kBackground);
    }

    void videoBadge_data()
    {
        lmrtest::columns<QString, bool, bool>({"name", "includeVideos", "badge"});
        QTest::newRow("video, videos included") << "clip.mp4" << true << true;
        QTest::newRow("video, videos excluded") << "clip.mp4" << false << false;
        QTest::newRow("picture") << "photo.jpg" << true << false;
    }
    void videoBadge()
    {
        QFETCH(QString, name);
        QFETCH(bool, includeVideos);
        QFETCH(bool, badge);
        Preferences::sharedInstance().setIncludeVideos(includeVideos);
        setItems({name});
        const QImage image = render();
        // The badge's frame reaches below the thumbnail square at its left edge.
        const QRectF m = viewportImageRect(*m_view, 0);
        QCOMPARE(pixelAt(image, QPointF(m.left() + 1, m.bottom() + 2)), badge ? kLabel : kBackground);
        QCOMPARE(pixelAt(image, m.center()), QColor(230, 230, 230));   // the placeholder stays under it
    }

    void partialRepaintDrawsOnlyItsCells_data()
    {
        lmrtest::columns<QList<int>, int>({"cells", "drawn"});
        QTest::newRow("one cell") << QList<int>{4} << 1;
        QTest::newRow("two cells apart") << QList<int>{0, 8} << 2;
        QTest::newRow("a cell beyond the count") << QList<int>{10} << 0;
    }
    void partialRepaintDrawsOnlyItsCells()
    {
        QFETCH(QList<int>, cells);
        setItems({"0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg", "6.jpg", "7.jpg", "8.jpg", "9.jpg"});
        m_view->verticalScrollBar()->setValue(300);
        QRegion region;
        for (int index : cells)
            region += viewportRect(*m_view, m_view->selectionRectForCellRect(m_view->cellRectForItemIndex(index)));
        render(region);
        QTEST(int(m_view->drawnLastPaintCount()), "drawn");
    }

    // A selection change repaints the cells it changed and nothing else.
    void selectionChangesRepaintOnlyChangedCells()
    {
        setItems({"0.jpg", "1.jpg", "2.jpg", "3.jpg"});
        m_view->addItemAtIndexToSelection(1);
        settle(*m_view);
        PaintRecorder recorder(m_view->viewport());
        m_view->extendLastSelectionTo(2);
        QTRY_VERIFY(recorder.paints > 0);
        QCOMPARE(recorder.region, QRegion(viewportRect(*m_view, m_view->cellRectForItemIndex(1)))
                                      + QRegion(viewportRect(*m_view, m_view->cellRectForItemIndex(2))));
    }

private:
    void setItems(const QStringList &names)
    {
        m_delegate.items.clear();
        for (const QString &name : names)
            m_delegate.items.push_back(
                std::make_shared<LMRFileSystemImageItem>(lmrtest::writeFile(m_dir->filePath(name), "x")));
        m_delegate.count = qint64(names.size());
        QVERIFY(showGrid(*m_view, 1000, 700));
    }

    QImage render(const QRegion &region = {})
    {
        QImage image(m_view->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::magenta);
        m_view->viewport()->render(&image, QPoint(), region);
        return image;
    }

    static QColor pixelAt(const QImage &image, const QPointF &point) { return QColor(image.pixel(point.toPoint())); }

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeGridDelegate m_delegate;
    std::unique_ptr<ImageCollectionView> m_view;
};

LMR_REGISTER_TEST(GridDrawingTest);
#include "GridDrawingTest.moc"
