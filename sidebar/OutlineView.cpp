#include "sidebar/OutlineView.h"

#include "app/AppDelegate.h"
#include "support/Modifiers.h"

#include <QAbstractListModel>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

// The flat model behind the list: one row per sidebar item, the "DataCell" of each row being
// the item's icon and name. It asks the delegate every time and caches nothing.
class SidebarItemModel : public QAbstractListModel
{
public:
    SidebarItemModel(AppDelegate *delegate, QObject *parent) : QAbstractListModel(parent), m_delegate(delegate) {}

    void reload()
    {
        beginResetModel();
        endResetModel();
    }

    LMRItemPtr itemAtRow(int row) const
    {
        return m_delegate ? m_delegate->outlineViewChildOfItem(row, nullptr) : nullptr;
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        if (parent.isValid() || !m_delegate)
            return 0;
        return int(m_delegate->outlineViewNumberOfChildrenOfItem(nullptr));
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const LMRItemPtr item = itemAtRow(index.row());
        if (!item)
            return {};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return item->name();
        case Qt::DecorationRole:
            return item->icon();
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                               : Qt::NoItemFlags;
    }

private:
    QPointer<AppDelegate> m_delegate;
};

namespace {
constexpr qint64 kNoDropTarget = -2;
constexpr qint64 kRootRow = -1;
} // namespace

OutlineView::OutlineView(AppDelegate *delegate, QWidget *parent)
    : QTreeView(parent), m_delegate(delegate), m_model(new SidebarItemModel(delegate, this))
{
    // Installing the model reports an (empty) selection change: no choice of the user's.
    m_reportSelectionChanges = false;
    setModel(m_model);
    m_reportSelectionChanges = true;
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(16, 16));
    setTextElideMode(Qt::ElideMiddle);
}

void OutlineView::reloadData()
{
    const qint64 row = selectedRow();
    m_reportSelectionChanges = false;
    m_model->reload();
    if (row >= 0 && row < numberOfRows())
        selectRow(row);
    m_reportSelectionChanges = true;
    viewport()->update();
}

qint64 OutlineView::numberOfRows() const
{
    return m_model->rowCount();
}

qint64 OutlineView::selectedRow() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void OutlineView::selectRow(qint64 row)
{
    const QModelIndex index = m_model->index(int(row), 0);
    if (!index.isValid())
        return;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void OutlineView::deselectAll()
{
    if (selectionModel())
        selectionModel()->clearSelection();
}

qint64 OutlineView::rowAtPoint(const QPoint &viewportPoint) const
{
    const QModelIndex index = indexAt(viewportPoint);
    return index.isValid() ? index.row() : -1;
}

QMenu *OutlineView::menuForEvent(const QPoint &viewportPoint)
{
    const qint64 row = rowAtPoint(viewportPoint);
    if (row < 0 || !m_delegate)
        return nullptr;
    selectRow(row);
    auto *menu = new QMenu(tr("Contextual Menu"), this);
    QAction *reveal = menu->addAction(tr("Reveal in File Manager"));
    AppDelegate *delegate = m_delegate;
    connect(reveal, &QAction::triggered, delegate,
            [delegate, reveal] { delegate->revealSelectedSidebarItemInFinder(reveal); });
    return menu;
}

bool OutlineView::event(QEvent *event)
{
    // Tab must reach keyPressEvent: the widget would otherwise move the focus by itself before
    // the delegate hears of it.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QTreeView::event(event);
}

void OutlineView::keyPressEvent(QKeyEvent *event)
{
    if (!m_delegate) {
        QTreeView::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        m_delegate->cancelFullSizeView(this);
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_delegate->didDoubleClickOutlineView(this);
        event->accept();
        return;
    case Qt::Key_Tab:
        focusNextKeyView();
        m_delegate->didFocusCollectionViewByTabKey();
        event->accept();
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}

void OutlineView::focusNextKeyView()
{
    for (QWidget *next = nextInFocusChain(); next && next != this; next = next->nextInFocusChain()) {
        if (next->window() == window() && next->isVisible() && next->isEnabled()
            && (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void OutlineView::mousePressEvent(QMouseEvent *event)
{
    QTreeView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // A click beside the rows shows the root again.
    if (rowAtPoint(event->position().toPoint()) < 0)
        deselectAll();
    if (m_delegate)
        m_delegate->didClickOutlineView(this);
}

void OutlineView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && m_delegate)
        m_delegate->didDoubleClickOutlineView(this);
}

void OutlineView::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    QMenu *menu = menuForEvent(event->pos());
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void OutlineView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    if (m_reportSelectionChanges && m_delegate)
        m_delegate->outlineViewSelectionDidChange();
}

Qt::DropAction OutlineView::validateDropAt(const QDropEvent *event, qint64 *row)
{
    *row = rowAtPoint(event->position().toPoint());
    const QMimeData *data = event->mimeData();
    if (!m_delegate || !data || !data->hasFormat(QStringLiteral("text/uri-list")))
        return Qt::IgnoreAction;
    const Qt::DropAction requested = LMREvent::dropAction(event);
    if (requested == Qt::IgnoreAction)
        return Qt::IgnoreAction;
    return m_delegate->outlineViewValidateDrop(data, *row >= 0 ? m_model->itemAtRow(int(*row)) : nullptr, requested);
}

void OutlineView::dragEnterEvent(QDragEnterEvent *event)
{
    // Entering decides only whether file URLs come; each position is asked in dragMoveEvent.
    if (event->mimeData() && event->mimeData()->hasFormat(QStringLiteral("text/uri-list")))
        event->acceptProposedAction();
    else
        event->ignore();
}

void OutlineView::dragMoveEvent(QDragMoveEvent *event)
{
    qint64 row = kRootRow;
    const Qt::DropAction action = validateDropAt(event, &row);
    if (action == Qt::IgnoreAction) {
        setDropTargetRow(kNoDropTarget);
        event->ignore();
        return;
    }
    setDropTargetRow(row >= 0 ? row : kRootRow);
    event->setDropAction(action);
    event->accept();
}

void OutlineView::dragLeaveEvent(QDragLeaveEvent *event)
{
    setDropTargetRow(kNoDropTarget);
    event->accept();
}

void OutlineView::dropEvent(QDropEvent *event)
{
    setDropTargetRow(kNoDropTarget);
    qint64 row = kRootRow;
    const Qt::DropAction action = validateDropAt(event, &row);
    if (action == Qt::IgnoreAction || !m_delegate) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    const bool accepted =
        m_delegate->outlineViewAcceptDrop(event->mimeData(), row >= 0 ? m_model->itemAtRow(int(row)) : nullptr, action);
    if (accepted)
        event->accept();
    else
        event->ignore();
}

void OutlineView::setDropTargetRow(qint64 row)
{
    if (m_dropTargetRow == row)
        return;
    m_dropTargetRow = row;
    viewport()->update();
}

void OutlineView::paintEvent(QPaintEvent *event)
{
    QTreeView::paintEvent(event);
    if (m_dropTargetRow == kNoDropTarget)
        return;
    // The folder that would receive the drop is ringed; the whole list stands for the root.
    QRect ring = viewport()->rect();
    if (m_dropTargetRow >= 0) {
        const QRect cell = visualRect(m_model->index(int(m_dropTargetRow), 0));
        ring.setTop(cell.top());
        ring.setBottom(cell.bottom());
    }
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette().color(QPalette::Highlight), 2);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(ring).adjusted(1, 1, -1, -1), 4, 4);
}
