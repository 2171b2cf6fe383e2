#pragma once
// A row of joined tool buttons that act as one control: each segment has an image and can be
// enabled on its own, and a click on a segment makes it the selected segment and reports it.
// Segments are momentary: nothing stays pressed, the selection only says which one was last
// clicked, so that an action can read it from the sender as well as from the signal.

#include <QIcon>
#include <QList>
#include <QWidget>

class QToolButton;

class LMRSegmentedControl : public QWidget
{
    Q_OBJECT
public:
    explicit LMRSegmentedControl(int segmentCount, QWidget *parent = nullptr);

    int segmentCount() const { return int(m_buttons.size()); }
    void setSegmentEnabled(int segment, bool enabled);
    bool isSegmentEnabled(int segment) const;
    void setImage(int segment, const QIcon &image);
    QIcon image(int segment) const;
    void setSegmentToolTip(int segment, const QString &toolTip);
    // The segment clicked last, -1 before the first click.
    int selectedSegment() const { return m_selectedSegment; }
    // Acts as a click on the segment (ignored when it is disabled or out of range).
    void performClick(int segment);
    QToolButton *buttonForSegment(int segment) const;

signals:
    void clicked(int segment);

private:
    QList<QToolButton *> m_buttons;
    int m_selectedSegment = -1;
};
