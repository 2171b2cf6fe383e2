#include "grid/ImageCollectionViewAccessible.h"

#include "grid/ImageCollectionView.h"
#include "grid/ImageCollectionViewDelegate.h"
#include "prefs/Preferences.h"
#include "support/ClickableImageView.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>

#include <algorithm>
#include <climits>
#include <iterator>
#include <utility>

namespace {

// Up to this many items changing at once are reported one by one; more as one change within
// the grid, so that selecting a hundred thousand items does not send a hundred thousand events.
constexpr size_t kSelectionEventLimit = 16;

// One item of the grid: an index into the owner's list, read afresh on every question.
class ItemInterface : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    ItemInterface(ImageCollectionView *view, qint64 index) : m_view(view), m_index(index) {}

    qint64 index() const { return m_index; }
    ImageCollectionView *view() const { return m_view; }

    bool isValid() const override { return m_view && m_index >= 0 && quint64(m_index) < m_view->itemCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override
    {
        const LMRImageItemPtr item = this->item();
        if (!item)
            return {};
        switch (t) {
        case QAccessible::Name:
            return item->name();
        case QAccessible::Description:
            if (item->UTI() == QLatin1String("application/pdf"))
                return QCoreApplication::translate("ImageCollectionView", "PDF");
            if (Preferences::supportedVideoUTIs().contains(item->UTI()))
                return QCoreApplication::translate("ImageCollectionView", "Video");
            return QCoreApplication::translate("ImageCollectionView", "Image");
        default:
            return {};
        }
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRectF document = m_view->itemRectForCellRect(m_view->cellRectForItemIndex(quint64(m_index)));
        const QRect inViewport = document.translated(0, -m_view->documentVisibleRect().y()).toAlignedRect();
        return QRect(m_view->viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = m_view->selection().contains(m_index);
        state.focused = m_view->hasFocus() && m_view->currentItemIndex() == m_index;
        const QRectF cell = m_view->cellRectForItemIndex(quint64(m_index));
        state.offscreen = !cell.intersects(m_view->documentVisibleRect());
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QStringList actionNames() const override
    {
        return {pressAction(), toggleAction(), setFocusAction()};
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    void doAction(const QString &name) override
    {
        if (!isValid())
            return;
        if (name == pressAction()) {
            if (ImageCollectionViewDelegate *delegate = m_view->delegate())
                delegate->collectionViewDidDoubleClickItemAtIndexPath(m_view, m_index);
        } else if (name == toggleAction()) {
            if (m_view->selection().contains(m_index))
                m_view->removeItemsAtIndexPathsFromSelection({m_index});
            else
                m_view->addItemAtIndexToSelection(m_index);
        } else if (name == setFocusAction()) {
            m_view->setFocus(Qt::OtherFocusReason);
            m_view->moveSelectionToIndex(m_index, false);
        }
    }

private:
    LMRImageItemPtr item() const
    {
        if (!isValid() || !m_view->delegate())
            return nullptr;
        return m_view->delegate()->collectionViewItemForRepresentedObjectAtIndexPath(m_view, m_index);
    }

    QPointer<ImageCollectionView> m_view;
    qint64 m_index;
};

// The grid itself: a list of every item. Items are made when asked for and kept (Qt's
// accessibility cache owns them) until the list changes.
class GridInterface : public QAccessibleWidget
{
public:
    explicit GridInterface(ImageCollectionView *view) : QAccessibleWidget(view, QAccessible::List), m_key(view)
    {
        registry().insert(m_key, this);
    }
    ~GridInterface() override
    {
        // By key: the grid may be gone already, when its destruction is what deletes this.
        registry().remove(m_key);
        forgetItems();
    }

    static GridInterface *existing(ImageCollectionView *view) { return registry().value(view); }

    ImageCollectionView *view() const { return static_cast<ImageCollectionView *>(widget()); }

    void forgetItems()
    {
        for (const QAccessible::Id id : std::as_const(m_items))
            QAccessible::deleteAccessibleInterface(id);
        m_items.clear();
    }

    int childCount() const override { return int(std::min<quint64>(view()->itemCount(), INT_MAX)); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto found = m_items.constFind(index); found != m_items.constEnd()) {
            if (QAccessibleInterface *item = QAccessible::accessibleInterface(found.value()))
                return item;
        }
        auto *item = new ItemInterface(view(), index);
        m_items.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *item = dynamic_cast<const ItemInterface *>(child);
        return item && item->view() == view() && item->isValid() ? int(item->index()) : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        ImageCollectionView *grid = view();
        const QPoint inViewport = grid->viewport()->mapFromGlobal(QPoint(x, y));
        if (!grid->viewport()->rect().contains(inViewport))
            return nullptr;
        const QPointF point(inViewport.x(), inViewport.y() + grid->documentVisibleRect().y());
        const quint64 index = grid->itemIndexAtPoint(point);
        if (index >= grid->itemCount()
            || !LMRPointInRect(point, grid->itemRectForCellRect(grid->cellRectForItemIndex(index))))
            return nullptr;
        return child(int(index));
    }

    QAccessibleInterface *focusChild() const override
    {
        const qint64 current = view()->currentItemIndex();
        return view()->hasFocus() && current != LMRNotFound ? child(int(current)) : nullptr;
    }

    QString text(QAccessible::Text t) const override
    {
        QString answer = QAccessibleWidget::text(t);
        if (answer.isEmpty() && t == QAccessible::Name)
            answer = QCoreApplication::translate("ImageCollectionView", "Thumbnails");
        return answer;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.multiSelectable = true;
        state.extSelectable = true;
        return state;
    }

private:
    static QHash<QObject *, GridInterface *> &registry()
    {
        static QHash<QObject *, GridInterface *> interfaces;
        return interfaces;
    }

    QObject *m_key;
    mutable QHash<qint64, QAccessible::Id> m_items;
};

// An image that acts as a button (the zoom icons beside the slider).
class ClickableImageInterface : public QAccessibleWidget
{
public:
    explicit ClickableImageInterface(LMRClickableImageView *view) : QAccessibleWidget(view, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            static_cast<LMRClickableImageView *>(widget())->performClick();
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("ImageCollectionView"))
        return new GridInterface(static_cast<ImageCollectionView *>(object));
    if (className == QLatin1String("LMRClickableImageView"))
        return new ClickableImageInterface(static_cast<LMRClickableImageView *>(object));
    return nullptr;
}

LMRGridAccessibility::EventSink &testSink()
{
    static LMRGridAccessibility::EventSink sink;
    return sink;
}

void send(ImageCollectionView *view, QAccessible::Event type, qint64 child = -1)
{
    QAccessibleEvent event(view, type);
    if (child >= 0)
        event.setChild(int(child));
    if (testSink())
        testSink()(event);
    QAccessible::updateAccessibility(&event);
}

} // namespace

namespace LMRGridAccessibility {

bool isListening()
{
    return testSink() || QAccessible::isActive();
}

void setEventSinkForTesting(EventSink sink)
{
    testSink() = std::move(sink);
}

void installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void listChanged(ImageCollectionView *view)
{
    GridInterface *grid = GridInterface::existing(view);
    if (grid)
        grid->forgetItems();
    if (!isListening())
        return;
    QAccessibleTableModelChangeEvent event(view, QAccessibleTableModelChangeEvent::ModelReset);
    if (testSink())
        testSink()(event);
    QAccessible::updateAccessibility(&event);
}

void selectionChanged(ImageCollectionView *view, const LMRIndexSet &before, qint64 currentBefore)
{
    if (!isListening())
        return;
    const LMRIndexSet &after = view->selection();
    std::vector<qint64> added;
    std::vector<qint64> removed;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(removed));
    if (added.size() + removed.size() > kSelectionEventLimit) {
        send(view, QAccessible::SelectionWithin);
    } else if (after.count() == 1 && added.size() == 1) {
        // One item chosen in place of whatever was selected.
        send(view, QAccessible::Selection, added.front());
    } else {
        for (qint64 index : removed)
            send(view, QAccessible::SelectionRemove, index);
        for (qint64 index : added)
            send(view, QAccessible::SelectionAdd, index);
    }
    const qint64 current = view->currentItemIndex();
    if (view->hasFocus() && current != currentBefore && current != LMRNotFound)
        send(view, QAccessible::Focus, current);
}

void focusChanged(ImageCollectionView *view)
{
    const qint64 current = view->currentItemIndex();
    if (isListening() && view->hasFocus() && current != LMRNotFound)
        send(view, QAccessible::Focus, current);
}

} // namespace LMRGridAccessibility
