#include "prefs/ColorWell.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>

LMRColorWell::LMRColorWell(QWidget *parent) : QPushButton(parent)
{
    setMinimumSize(52, 26);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QPushButton::clicked, this, &LMRColorWell::openColorDialog);
}

void LMRColorWell::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    setAccessibleDescription(color.name(QColor::HexArgb));
    update();
}

void LMRColorWell::chooseColor(const QColor &color)
{
    if (!color.isValid())
        return;
    setColor(color);
    emit colorChanged(color);
}

void LMRColorWell::openColorDialog()
{
    auto *dialog = new QColorDialog(m_color, this);
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The colour is taken while the user moves through the dialog, so the grid shows it at once.
    connect(dialog, &QColorDialog::currentColorChanged, this, &LMRColorWell::chooseColor);
    const QColor before = m_color;
    connect(dialog, &QDialog::rejected, this, [this, before] {
        if (m_color != before)
            chooseColor(before);
    });
    // destroyed, not finished: a dialog that goes with its well without being closed still ends.
    connect(dialog, &QObject::destroyed, this, &LMRColorWell::editingFinished);
    emit editingStarted();
    dialog->open();
}

void LMRColorWell::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);
    QPainter painter(this);
    const QRect swatch = rect().adjusted(7, 6, -7, -6);
    // A colour with transparency is shown over a checkerboard, as colour pickers do.
    if (m_color.alpha() < 255) {
        const int cell = 4;
        for (int y = swatch.top(); y <= swatch.bottom(); y += cell) {
            for (int x = swatch.left(); x <= swatch.right(); x += cell) {
                const bool dark = ((x - swatch.left()) / cell + (y - swatch.top()) / cell) % 2;
                painter.fillRect(QRect(x, y, cell, cell).intersected(swatch), dark ? Qt::lightGray : Qt::white);
            }
        }
    }
    painter.fillRect(swatch, m_color);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Mid));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}
