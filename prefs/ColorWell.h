#pragma once
// A button that shows a colour and lets the user pick another in the desktop's colour dialog.
// colorChanged is sent only for the user's choices, never for setColor, so filling the well
// from the settings does not write them back.

#include <QColor>
#include <QPushButton>

class LMRColorWell : public QPushButton
{
    Q_OBJECT
public:
    explicit LMRColorWell(QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);

    // Takes a colour as if the user had picked it in the dialog.
    void chooseColor(const QColor &color);

signals:
    void colorChanged(const QColor &color);
    // The colour dialog opened and closed: the choices in between are one gesture.
    void editingStarted();
    void editingFinished();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void openColorDialog();

    QColor m_color;
};
