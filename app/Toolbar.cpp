#include "app/Toolbar.h"

#include "support/Artwork.h"
#include "support/NotificationCenter.h"
#include "support/Notifications.h"

#include <QAction>
#include <QLabel>
#include <QSizePolicy>
#include <QToolButton>
#include <QVBoxLayout>

// --- LMRButtonToolbarItem

LMRButtonToolbarItem::LMRButtonToolbarItem(const QString &identifier, const QString &imageName, QObject *target,
                                           QAction *action, const QString &toolTip, QObject *parent)
    : QObject(parent)
    , m_identifier(identifier)
    , m_imageName(imageName)
    , m_target(target)
    , m_action(action)
{
    setObjectName(identifier);

    auto *view = new QWidget;
    view->setObjectName(identifier + QStringLiteral("ToolbarItem"));
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(4, 2, 4, 0);
    layout->setSpacing(1);

    m_button = new QToolButton(view);
    m_button->setObjectName(identifier + QStringLiteral("Button"));
    m_button->setFixedSize(kButtonSize);
    m_button->setIconSize(LMRButtonToolbar::kRegularIconSize);
    m_button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // A square bezel of its own, as a push button has, rather than the flat toolbar look.
    m_button->setAutoRaise(false);
    // The window's keyboard focus stays where the user's work is; the menus reach every command.
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolTip(toolTip);
    m_button->setAccessibleDescription(toolTip);
    layout->addWidget(m_button, 0, Qt::AlignHCenter);

    m_labelView = new QLabel(view);
    m_labelView->setObjectName(identifier + QStringLiteral("Label"));
    m_labelView->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont font = m_labelView->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    m_labelView->setFont(font);
    layout->addWidget(m_labelView, 0, Qt::AlignHCenter);
    m_view = view;

    setImage(LMRImageNamed(LMRAppearanceImageName(m_imageName)));

    // The command runs through its action, so a disabled command cannot be run from here either.
    connect(m_button, &QToolButton::clicked, this, [this] {
        if (m_action && m_target && m_enabled)
            m_action->trigger();
    });

    LMRNotificationCenter::defaultCenter().addObserver(this, LMRNotifications::AppearanceChanged,
                                                       [this] { appearanceDidChange(); });
    m_minimumSize = kButtonSize;
}

LMRButtonToolbarItem::~LMRButtonToolbarItem()
{
    // The toolbar shows the view but the item owns it; a toolbar gone first took it along.
    delete m_view.data();
    delete m_menuFormRepresentation.data();
}

void LMRButtonToolbarItem::setLabel(const QString &label)
{
    m_label = label;
    m_labelView->setText(label);
    m_button->setAccessibleName(label);
    if (m_menuFormRepresentation)
        m_menuFormRepresentation->setText(label);
}

QString LMRButtonToolbarItem::toolTip() const
{
    return m_button->toolTip();
}

void LMRButtonToolbarItem::setImage(const QIcon &image)
{
    if (image.isNull() || image.cacheKey() == m_image.cacheKey())
        return;
    m_image = image;
    m_button->setIcon(image);
}

QIcon LMRButtonToolbarItem::image() const
{
    return m_image;
}

void LMRButtonToolbarItem::appearanceDidChange()
{
    setImage(LMRImageNamed(LMRAppearanceImageName(m_imageName)));
}

void LMRButtonToolbarItem::validate()
{
    setEnabled(m_delegate ? m_delegate->validateToolbarItem(this) : true);
}

void LMRButtonToolbarItem::setEnabled(bool enabled)
{
    m_enabled = enabled;
    m_view->setEnabled(enabled);
    m_button->setEnabled(enabled);
    if (!enabled) {
        delete m_menuFormRepresentation.data();
        return;
    }
    if (m_menuFormRepresentation)
        return;
    // A plain menu entry with the label that runs the same command; the command's own shortcut
    // stays with the command's menu item.
    auto *menuItem = new QAction(m_label, this);
    menuItem->setObjectName(m_action ? m_action->objectName() : QString());
    connect(menuItem, &QAction::triggered, this, [this] {
        if (m_action && m_target)
            m_action->trigger();
    });
    m_menuFormRepresentation = menuItem;
}

// --- LMRButtonToolbar

LMRButtonToolbar::LMRButtonToolbar(const QString &identifier, QWidget *parent)
    : QToolBar(parent)
    , m_identifier(identifier)
{
    setObjectName(identifier);
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    QToolBar::setIconSize(kRegularIconSize);
    // A main window hands its own icon size to its toolbars; that must not shrink this one.
    connect(this, &QToolBar::iconSizeChanged, this, &LMRButtonToolbar::refuseIconSize);
    // The label under each button is the toolbar's text; the buttons' style never changes.
    connect(this, &QToolBar::toolButtonStyleChanged, this, [this](Qt::ToolButtonStyle style) {
        if (style != Qt::ToolButtonIconOnly)
            setToolButtonStyle(Qt::ToolButtonIconOnly);
    });
}

void LMRButtonToolbar::setDelegate(LMRButtonToolbarDelegate *delegate)
{
    m_delegate = delegate;
    if (!delegate)
        return;
    const QStringList allowed = delegate->toolbarAllowedItemIdentifiers(this);
    for (const QString &identifier : delegate->toolbarDefaultItemIdentifiers(this)) {
        if (allowed.contains(identifier))
            insertItemWithIdentifier(identifier);
    }
    validateVisibleItems();
}

void LMRButtonToolbar::setSizeMode(int)
{
    m_sizeMode = SizeModeRegular;
    refuseIconSize(iconSize());
}

void LMRButtonToolbar::refuseIconSize(const QSize &size)
{
    if (size != kRegularIconSize)
        QToolBar::setIconSize(kRegularIconSize);
}

LMRButtonToolbarItem *LMRButtonToolbar::itemWithIdentifier(const QString &identifier) const
{
    for (LMRButtonToolbarItem *item : m_items) {
        if (item->itemIdentifier() == identifier)
            return item;
    }
    return nullptr;
}

void LMRButtonToolbar::validateVisibleItems()
{
    for (LMRButtonToolbarItem *item : m_items)
        item->validate();
}

void LMRButtonToolbar::insertItemWithIdentifier(const QString &identifier)
{
    if (identifier == LMRToolbarItemIdentifier::Space || identifier == LMRToolbarItemIdentifier::FlexibleSpace) {
        auto *spacer = new QWidget(this);
        if (identifier == LMRToolbarItemIdentifier::Space)
            spacer->setFixedWidth(LMRButtonToolbarItem::kButtonSize.width() / 2);
        else
            spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        addWidget(spacer);
        m_itemIdentifiers.append(identifier);
        return;
    }
    LMRButtonToolbarItem *item = m_delegate->toolbarItemForItemIdentifier(this, identifier, true);
    if (!item)
        return;
    item->setParent(this);
    addWidget(item->view());
    m_items.append(item);
    m_itemIdentifiers.append(identifier);
}
