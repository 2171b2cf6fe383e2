#include "support/SegmentedControl.h"

#include <QHBoxLayout>
#include <QToolButton>

LMRSegmentedControl::LMRSegmentedControl(int segmentCount, QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int segment = 0; segment < segmentCount; ++segment) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("segment%1").arg(segment));
        button->setAutoRaise(false);
        button->setIconSize(QSize(16, 16));
        // The keyboard belongs to the viewer and the grid; a focused button would swallow Space.
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, segment] { performClick(segment); });
        layout->addWidget(button);
        m_buttons.append(button);
    }
}

void LMRSegmentedControl::setSegmentEnabled(int segment, bool enabled)
{
    if (QToolButton *button = buttonForSegment(segment))
        button->setEnabled(enabled);
}

bool LMRSegmentedControl::isSegmentEnabled(int segment) const
{
    // The segment's own state: the whole control may be disabled on top of it (a slideshow does
    // that) without the segments forgetting theirs.
    QToolButton *button = buttonForSegment(segment);
    return button && button->isEnabledTo(const_cast<LMRSegmentedControl *>(this));
}

void LMRSegmentedControl::setImage(int segment, const QIcon &image)
{
    if (QToolButton *button = buttonForSegment(segment))
        button->setIcon(image);
}

QIcon LMRSegmentedControl::image(int segment) const
{
    const QToolButton *button = buttonForSegment(segment);
    return button ? button->icon() : QIcon();
}

void LMRSegmentedControl::setSegmentToolTip(int segment, const QString &toolTip)
{
    if (QToolButton *button = buttonForSegment(segment)) {
        button->setToolTip(toolTip);
        // The segments show images only: the tooltip's words are what a screen reader says.
        button->setAccessibleName(toolTip);
    }
}

void LMRSegmentedControl::performClick(int segment)
{
    if (!isEnabled() || !isSegmentEnabled(segment))
        return;
    m_selectedSegment = segment;
    emit clicked(segment);
}

QToolButton *LMRSegmentedControl::buttonForSegment(int segment) const
{
    return segment >= 0 && segment < m_buttons.size() ? m_buttons.at(segment) : nullptr;
}
