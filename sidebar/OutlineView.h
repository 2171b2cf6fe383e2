#pragma once
// OutlineView: the sidebar's list of the root's folders, one level deep, each row the folder's
// icon and name. It holds no items: its model asks the AppDelegate for the count and for the
// item of a row, and the view reports clicks, keys, selection changes, context-menu requests
// and drops back to the delegate, which decides what they mean.
//
// Rows are never expandable and never edited. Reloading keeps the selected row by its index,
// as the delegate expects when it re-sorts the list under a selection.

#include <QPointer>
#include <QTreeView>

class AppDelegate;
class QDropEvent;
class QMenu;
class SidebarItemModel;

class OutlineView : public QTreeView
{
    Q_OBJECT
public:
    explicit OutlineView(AppDelegate *delegate, QWidget *parent = nullptr);

    // Re-reads the rows from the delegate. A selected row that still exists stays selected
    // without a selection-change report; one that is gone is dropped silently.
    void reloadData();
    qint64 numberOfRows() const;
    // The selected row, or -1.
    qint64 selectedRow() const;
    void selectRow(qint64 row);
    void deselectAll();
    // The row under a point of the viewport, or -1.
    qint64 rowAtPoint(const QPoint &viewportPoint) const;

    // Over a row: selects that row alone and answers a new menu (the caller owns it) with the
    // reveal command. Over no row: no menu.
    QMenu *menuForEvent(const QPoint &viewportPoint);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Tab leaves the list for the grid or the viewer, whichever is on show.
    void focusNextKeyView();
    // The delegate's answer for a drop at this point; *row is the target row (-1: the root).
    // The operation the delegate allows for the drop event at its position, and the row under it.
    Qt::DropAction validateDropAt(const QDropEvent *event, qint64 *row);
    void setDropTargetRow(qint64 row);

    QPointer<AppDelegate> m_delegate;
    SidebarItemModel *m_model;
    bool m_reportSelectionChanges = true;
    // The row a drag hovers (-1 for the root, i.e. the whole list), or -2 while none does.
    qint64 m_dropTargetRow = -2;
};
