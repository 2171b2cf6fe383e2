// How the thumbnail grid trades files and text with the rest of the desktop: dragging the
// selection out, taking files dropped in from other applications into the shown folder, paths
// and file names on the clipboard, and the context menu with its open-with submenu.

#include "grid/ImageCollectionView.h"

#include "grid/ImageCollectionViewDelegate.h"
#include "platform/Applications.h"
#include "platform/FileTransfer.h"
#include "prefs/Preferences.h"
#include "sidebar/ErrorSheet.h"
#include "support/Modifiers.h"
#include "support/OpenWith.h"

#include <QClipboard>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>

namespace {

// Local paths of a file drag, in drop order; empty for anything that is not files.
QStringList droppedPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    return paths;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Dragging out

void ImageCollectionView::startDragSession(const QPointF &viewportPoint)
{
    if (!m_delegate)
        return;
    QList<QUrl> urls;
    for (qint64 index : m_selection) {
        if (index < 0 || quint64(index) >= m_itemCount)
            continue;
        if (const LMRImageItemPtr item = m_delegate->collectionViewItemForRepresentedObjectAtIndexPath(this, index))
            urls << item->URL();
    }
    if (urls.isEmpty())
        return;

    auto *data = new QMimeData;
    data->setUrls(urls);
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    QPoint hotSpot;
    const QPixmap pixmap = dragPixmap(viewportPoint, &hotSpot);
    if (!pixmap.isNull()) {
        drag->setPixmap(pixmap);
        drag->setHotSpot(hotSpot);
    }
    execDrag(drag);
}

QPixmap ImageCollectionView::dragPixmap(const QPointF &viewportPoint, QPoint *hotSpot)
{
    // One picture of the selected thumbnails that are on screen, each where it is drawn, so
    // that the drag lifts them off the grid as they stand.
    const QRectF visible = documentVisibleRect();
    const qint64 size = 96 * Preferences::sharedInstance().intZoomValue();
    const qreal ratio = devicePixelRatioF();
    std::vector<std::pair<QRectF, QImage>> pieces;
    QRectF bounds;
    for (qint64 index : m_selection) {
        if (index < 0 || quint64(index) >= m_itemCount)
            continue;
        const QRectF cell = cellRectForItemIndex(quint64(index));
        if (!cell.intersects(visible))
            continue;
        const LMRImageItemPtr item = m_delegate->collectionViewItemForRepresentedObjectAtIndexPath(this, index);
        const QImage thumbnail = item ? item->cachedThumbnailWithSize(size, ratio) : QImage();
        if (thumbnail.isNull())
            continue;
        const QRectF imageRect = imageRectForItemRect(itemRectForCellRect(cell));
        pieces.emplace_back(imageRect, thumbnail);
        bounds = bounds.united(imageRect.intersected(visible));
    }
    if (pieces.empty() || bounds.isEmpty())
        return {};

    const QRect area = bounds.toAlignedRect();
    QPixmap pixmap(area.size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(0.8);
    painter.translate(-area.topLeft());
    painter.setClipRect(area);
    for (const auto &[rect, image] : pieces)
        painter.drawImage(rect, image);
    painter.end();
    *hotSpot = (documentPoint(viewportPoint) - QPointF(area.topLeft())).toPoint();
    return pixmap;
}

Qt::DropAction ImageCollectionView::execDrag(QDrag *drag)
{
    // The receiver decides between the two; the grid does not follow the files afterwards.
    return drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

// ---------------------------------------------------------------------------------------------
// Dropping in

Qt::DropAction ImageCollectionView::dropOperation(const QDropEvent *event) const
{
    // Drags from inside the program, the grid's own included, carry a source; only files from
    // other applications are taken, and only while a folder is shown to take them into.
    if (!m_delegate || event->source())
        return Qt::IgnoreAction;
    auto *self = const_cast<ImageCollectionView *>(this);
    if (!m_delegate->collectionViewDisplayedContentItem(self))
        return Qt::IgnoreAction;
    return LMREvent::dropAction(event);
}

void ImageCollectionView::dragEnterEvent(QDragEnterEvent *event)
{
    if (droppedPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    m_draggingEntered = true;
    dragMoveEvent(event);
}

void ImageCollectionView::dragMoveEvent(QDragMoveEvent *event)
{
    const Qt::DropAction action = dropOperation(event);
    if (action == Qt::IgnoreAction) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    setDrawFocusRing(true);
    event->setDropAction(action);
    event->accept();
}

void ImageCollectionView::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_draggingEntered = false;
    setDrawFocusRing(false);
    event->accept();
}

void ImageCollectionView::dropEvent(QDropEvent *event)
{
    // Decided once, before the first file: letting go of Ctrl halfway changes nothing.
    const Qt::DropAction action = dropOperation(event);
    const LMRItemPtr folder = m_delegate && action != Qt::IgnoreAction
                                  ? m_delegate->collectionViewDisplayedContentItem(this)
                                  : nullptr;
    const QStringList paths = folder ? droppedPaths(event->mimeData()) : QStringList();
    const bool copy = action == Qt::CopyAction;

    std::vector<LMRImageItemPtr> received;
    bool stopped = false;
    for (const QString &path : paths) {
        QString error;
        // A move whose original could not be removed still brought the file: it is listed.
        if (LMRFileTransfer::transferFile(path, folder->path(), copy, &error)) {
            const QString name = QFileInfo(QDir::cleanPath(path)).fileName();
            received.push_back(std::make_shared<LMRFileSystemImageItem>(QDir(folder->path()).filePath(name)));
        }
        if (!error.isEmpty()) {
            // The files handled so far stay where they went; the rest are not touched.
            LMRErrorSheet::show(window(), error);
            stopped = true;
            break;
        }
    }
    if (!received.empty())
        m_delegate->collectionViewReceivedItemsByDrag(this, received);

    setDrawFocusRing(false);
    m_draggingEntered = false;
    if (!folder) {
        event->ignore();
        return;
    }
    // A source that hears "moved" may delete its originals; after a stopped move some of them
    // are still the only copy.
    event->setDropAction(stopped && !copy ? Qt::CopyAction : action);
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Clipboard

void ImageCollectionView::copy()
{
    writeSelectionToClipboard(false);
}

void ImageCollectionView::copyFilenameOnly()
{
    writeSelectionToClipboard(true);
}

void ImageCollectionView::writeSelectionToClipboard(bool fileNamesOnly)
{
    if (m_selection.isEmpty() || !m_delegate)
        return;
    auto textOf = [&](qint64 index) -> QString {
        const LMRImageItemPtr item = m_delegate->collectionViewItemForRepresentedObjectAtIndexPath(this, index);
        if (!item)
            return {};
        return fileNamesOnly ? item->name() : item->path();
    };
    QString text;
    if (m_selection.count() == 1) {
        text = textOf(m_selection.firstIndex());
    } else {
        // Every line ends with a break, the last included, so that pasting a list into a shell
        // or an editor leaves the cursor on a fresh line.
        for (qint64 index : m_selection) {
            const QString line = textOf(index);
            if (!line.isEmpty())
                text += line + u'\n';
        }
    }
    if (text.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(text);
}

// ---------------------------------------------------------------------------------------------
// Context menu and opening with another application

void ImageCollectionView::showPopUpMenuAtPoint(const QPointF &documentPoint)
{
    const quint64 index = itemIndexAtPoint(documentPoint);
    QMenu *openWithMenu = LMROpenWithSubmenu(m_itemPopUpMenu);
    if (openWithMenu)
        openWithMenu->clear();

    // The whole item frame counts here, more than the hit area of a click.
    const bool onItem =
        index < m_itemCount && LMRPointInRect(documentPoint, itemRectForCellRect(cellRectForItemIndex(index)));
    if (onItem) {
        // An item inside a larger selection keeps that selection; any other item replaces it.
        if (!m_selection.contains(qint64(index))) {
            deselectAll();
            addItemAtIndexToSelection(qint64(index));
        }
        // The submenu follows the first selected item's type, even in a mixed selection.
        const LMRImageItemPtr first =
            m_delegate ? m_delegate->collectionViewItemForRepresentedObjectAtIndexPath(this, m_selection.firstIndex())
                       : nullptr;
        if (openWithMenu && first) {
            QPointer<ImageCollectionView> view(this);
            LMRPopulateOpenWithMenu(openWithMenu, first->UTI(), [view](const QString &identifier) {
                if (view)
                    view->openWith(identifier);
            });
        }
    } else {
        deselectAll();
    }

    if (m_itemPopUpMenu) {
        const QPointF viewportPoint(documentPoint.x(), documentPoint.y() - documentVisibleRect().y());
        popUpContextMenu(m_itemPopUpMenu, viewport()->mapToGlobal(viewportPoint).toPoint());
    }
}

void ImageCollectionView::popUpContextMenu(QMenu *menu, const QPoint &globalPos)
{
    menu->popup(globalPos);
}

void ImageCollectionView::openWith(const QString &applicationIdentifier)
{
    if (applicationIdentifier.isEmpty() || !m_delegate)
        return;
    QStringList paths;
    for (qint64 index : m_selection) {
        if (index < 0 || quint64(index) >= m_itemCount)
            continue;
        if (const LMRImageItemPtr item = m_delegate->collectionViewItemForRepresentedObjectAtIndexPath(this, index))
            paths << item->path();
    }
    LMROpenFilesWithApplication(window(), applicationIdentifier, paths);
}
