#pragma once
// The main window's toolbar: a row of fixed-size picture buttons, each standing for one command
// of the application. A button triggers the command's QAction, the same action the menus hold,
// so a command runs and is enabled alike wherever it appears. The buttons' artwork follows the
// desktop's light or dark appearance while they live.
//
// The toolbar only ever shows its regular size: small icons would make the 48 x 29 artwork
// unreadable, so every request for another size is turned back. Which items exist and in which
// order is asked of a delegate; whether an item is enabled is asked of the item's delegate.

#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QToolBar>

class LMRButtonToolbar;
class LMRButtonToolbarItem;
class QAction;
class QLabel;
class QToolButton;

// The standard spacers the toolbar understands besides the delegate's own items.
namespace LMRToolbarItemIdentifier {
inline const QString Space = QStringLiteral("Space");
inline const QString FlexibleSpace = QStringLiteral("FlexibleSpace");
}

// Answers which items a toolbar holds and makes them; validates them when asked.
class LMRButtonToolbarDelegate
{
public:
    virtual ~LMRButtonToolbarDelegate() = default;
    virtual QStringList toolbarAllowedItemIdentifiers(LMRButtonToolbar *toolbar) = 0;
    virtual QStringList toolbarDefaultItemIdentifiers(LMRButtonToolbar *toolbar) = 0;
    // Null for an identifier the delegate does not know.
    virtual LMRButtonToolbarItem *toolbarItemForItemIdentifier(LMRButtonToolbar *toolbar, const QString &identifier,
                                                               bool willBeInsertedIntoToolbar) = 0;
    virtual bool validateToolbarItem(LMRButtonToolbarItem *item) = 0;
};

class LMRButtonToolbarItem : public QObject
{
    Q_OBJECT
public:
    static constexpr QSize kButtonSize{48, 29};

    // target receives the command through action (a QAction it owns); the button shows the
    // artwork imageName, or imageName + "-dark" while the desktop is dark.
    LMRButtonToolbarItem(const QString &identifier, const QString &imageName, QObject *target, QAction *action,
                         const QString &toolTip, QObject *parent = nullptr);
    ~LMRButtonToolbarItem() override;

    QString itemIdentifier() const { return m_identifier; }
    QString label() const { return m_label; }
    void setLabel(const QString &label);
    QString paletteLabel() const { return m_paletteLabel; }
    void setPaletteLabel(const QString &label) { m_paletteLabel = label; }
    QString toolTip() const;

    QToolButton *button() const { return m_button; }
    // What the toolbar shows: the button with the label under it.
    QWidget *view() const { return m_view; }
    QString imageName() const { return m_imageName; }
    QObject *target() const { return m_target; }
    QAction *action() const { return m_action; }
    int sizeMode() const { return m_sizeMode; }
    void setSizeMode(int mode) { m_sizeMode = mode; }
    LMRButtonToolbarDelegate *delegate() const { return m_delegate; }
    void setDelegate(LMRButtonToolbarDelegate *delegate) { m_delegate = delegate; }
    QSize minimumSize() const { return m_minimumSize; }

    bool isEnabled() const { return m_enabled; }
    // Offered where the button cannot be, e.g. in an overflow menu; null while disabled.
    QAction *menuFormRepresentation() const { return m_menuFormRepresentation; }

    // Gives a new image to the button; a null image or the one on show changes nothing.
    // The artwork's name stays what it was.
    void setImage(const QIcon &image);
    QIcon image() const;
    // The button's artwork again, for the appearance of this moment.
    void appearanceDidChange();
    // Asks the delegate and enables or disables the item, its button and its menu form.
    void validate();

private:
    void setEnabled(bool enabled);

    QString m_identifier;
    QString m_imageName;
    QString m_label;
    QString m_paletteLabel;
    QPointer<QObject> m_target;
    QPointer<QAction> m_action;
    int m_sizeMode = 0;
    LMRButtonToolbarDelegate *m_delegate = nullptr;
    QSize m_minimumSize;
    bool m_enabled = true;
    // The view and the menu form belong to this item; the toolbar only shows the view.
    QPointer<QWidget> m_view;
    QToolButton *m_button = nullptr;
    QLabel *m_labelView = nullptr;
    QPointer<QAction> m_menuFormRepresentation;
    // The image on show; identity is the icon's cache key.
    QIcon m_image;
};

class LMRButtonToolbar : public QToolBar
{
    Q_OBJECT
public:
    enum SizeMode { SizeModeDefault = 0, SizeModeRegular = 1, SizeModeSmall = 2 };
    // Regular: the icon size the artwork is drawn for.
    static constexpr QSize kRegularIconSize{20, 20};

    explicit LMRButtonToolbar(const QString &identifier, QWidget *parent = nullptr);

    QString identifier() const { return m_identifier; }
    LMRButtonToolbarDelegate *delegate() const { return m_delegate; }
    // Fills the toolbar with the delegate's default items.
    void setDelegate(LMRButtonToolbarDelegate *delegate);

    int sizeMode() const { return m_sizeMode; }
    // Whatever is asked, the regular size it is.
    void setSizeMode(int mode);

    QStringList itemIdentifiers() const { return m_itemIdentifiers; }
    QList<LMRButtonToolbarItem *> items() const { return m_items; }
    LMRButtonToolbarItem *itemWithIdentifier(const QString &identifier) const;
    void validateVisibleItems();

private:
    void insertItemWithIdentifier(const QString &identifier);
    void refuseIconSize(const QSize &size);

    QString m_identifier;
    LMRButtonToolbarDelegate *m_delegate = nullptr;
    int m_sizeMode = SizeModeRegular;
    QStringList m_itemIdentifiers;
    QList<LMRButtonToolbarItem *> m_items;
};
