#include "app/BusyIndicator.h"

#include <QPainter>

namespace {
constexpr int kSpokes = 12;
}

LMRBusyIndicator::LMRBusyIndicator(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % kSpokes;
        update();
    });
}

QSize LMRBusyIndicator::sizeHint() const
{
    return QSize(16, 16);
}

void LMRBusyIndicator::startAnimation()
{
    m_animating = true;
    updateTimer();
}

void LMRBusyIndicator::stopAnimation()
{
    m_animating = false;
    updateTimer();
    update();
}

void LMRBusyIndicator::updateTimer()
{
    if (m_animating && isVisible())
        m_timer.start();
    else
        m_timer.stop();
}

void LMRBusyIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateTimer();
}

void LMRBusyIndicator::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateTimer();
}

void LMRBusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    QColor color = palette().color(QPalette::WindowText);
    QPen pen(color, qMax<qreal>(1.5, side / 10.0), Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        // The leading spoke is darkest; the others fade behind it.
        const int age = (m_step - i + kSpokes) % kSpokes;
        color.setAlphaF(m_animating ? qMax(0.15, 1.0 - age / qreal(kSpokes)) : 0.3);
        pen.setColor(color);
        painter.setPen(pen);
        painter.save();
        painter.rotate(i * 360.0 / kSpokes);
        painter.drawLine(QPointF(0, -side * 0.25), QPointF(0, -side * 0.45));
        painter.restore();
    }
}
