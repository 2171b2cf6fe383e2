#pragma once
// A small spinning indicator for work of unknown length. It only turns while animating and
// visible, so a hidden indicator costs no timer ticks.

#include <QTimer>
#include <QWidget>

class LMRBusyIndicator : public QWidget
{
    Q_OBJECT
public:
    explicit LMRBusyIndicator(QWidget *parent = nullptr);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_animating; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateTimer();

    QTimer m_timer;
    int m_step = 0;
    bool m_animating = false;
};
