#pragma once
// An image that behaves like a button: a click sends its action to its target on the next pass
// of the event loop, so the action may rebuild or hide the view without pulling it out from
// under the mouse event. It has no pressed look and does not check where the button went up.

#include <QLabel>
#include <QPointer>

#include <functional>

class QIcon;

class LMRClickableImageView : public QLabel
{
    Q_OBJECT
public:
    using Action = std::function<void(LMRClickableImageView *sender)>;

    explicit LMRClickableImageView(QWidget *parent = nullptr);

    // The action runs in the target's thread and not at all once the target is gone.
    void setTarget(QObject *target) { m_target = target; }
    QObject *target() const { return m_target; }
    void setAction(Action action) { m_action = std::move(action); }
    bool hasAction() const { return bool(m_action); }

    // Runs the action as a click does (also for assistive technology's press).
    void performClick();

    void setImage(const QPixmap &pixmap);
    // The icon at the view's size, or at its largest available size while the view has none.
    void setImage(const QIcon &icon);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPointer<QObject> m_target;
    Action m_action;
};
