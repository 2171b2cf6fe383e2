#include "prefs/PreferencesWindowController.h"

#include "prefs/ColorWell.h"
#include "prefs/Preferences.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpacerItem>
#include <QRegularExpression>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>

#include <cmath>
#include <limits>

float LMRPacingFromText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0;
    // The whole text in the user's locale first, so "2,5" is two and a half where that is how
    // it is written; then with a decimal point, which every keyboard has.
    bool ok = false;
    double seconds = QLocale().toDouble(trimmed, &ok);
    if (!ok)
        seconds = QLocale::c().toDouble(trimmed, &ok);
    if (!ok) {
        // A number being typed ("2.", "-") or followed by a unit: its leading number counts.
        static const QRegularExpression leadingNumber(
            QStringLiteral("^[+-]?(?:\\d+(?:[.,]\\d*)?|[.,]\\d+)(?:[eE][+-]?\\d+)?"));
        const QRegularExpressionMatch match = leadingNumber.match(trimmed);
        if (match.hasMatch()) {
            QString number = match.captured(0);
            number.replace(QLatin1Char(','), QLatin1Char('.'));
            if (number.endsWith(QLatin1Char('.')))
                number.chop(1);
            seconds = QLocale::c().toDouble(number, &ok);
        }
    }
    // "inf" and "nan" parse, but no timer can run on them.
    if (!ok || !std::isfinite(seconds))
        return 0;
    const double limit = std::numeric_limits<float>::max();
    return float(qBound(-limit, seconds, limit));
}

PreferencesWindowController::PreferencesWindowController(QObject *parent) : QObject(parent)
{
}

PreferencesWindowController::~PreferencesWindowController()
{
    delete m_window.data();
}

void PreferencesWindowController::showWindow()
{
    if (!m_window) {
        buildWindow();
        windowDidLoad();
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void PreferencesWindowController::buildWindow()
{
    // A window of its own, made transient for the main window by having it as parent.
    auto *window = new QWidget(m_transientParent, Qt::Window);
    window->setObjectName(QStringLiteral("PreferencesWindow"));
    m_window = window;
    // The keys that close a utility window on the Linux desktops.
    for (const QKeySequence &keys : QKeySequence::keyBindings(QKeySequence::Cancel) +
                                        QKeySequence::keyBindings(QKeySequence::Close)) {
        auto *shortcut = new QShortcut(keys, window);
        connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }

    auto colorRow = [this, window](QFormLayout *form, const QString &label, QPointer<LMRColorWell> &well,
                                   const QString &name, void (PreferencesWindowController::*changed)(),
                                   void (PreferencesWindowController::*reset)()) {
        auto *row = new QHBoxLayout;
        well = new LMRColorWell(window);
        well->setObjectName(name);
        connect(well, &LMRColorWell::colorChanged, this, changed);
        // The colour follows the dialog at once; the file is written when the dialog closes.
        auto hold = std::make_shared<Preferences::WriteHold>();
        connect(well, &LMRColorWell::editingStarted, this,
                [hold] { *hold = Preferences::sharedInstance().holdWrites(); });
        connect(well, &LMRColorWell::editingFinished, this, [hold] { hold->reset(); });
        auto *resetButton = new QPushButton(tr("Reset"), window);
        resetButton->setObjectName(name + QStringLiteral("Reset"));
        connect(resetButton, &QPushButton::clicked, this, reset);
        row->addWidget(well);
        row->addWidget(resetButton);
        row->addStretch(1);
        form->addRow(label, row);
    };
    auto checkbox = [this, window](const QString &title, const QString &name,
                                   void (PreferencesWindowController::*changed)()) {
        auto *box = new QCheckBox(title, window);
        box->setObjectName(name);
        // clicked, not toggled: filling the box from the settings must not write them back.
        connect(box, &QCheckBox::clicked, this, changed);
        return box;
    };

    // One form, so that every label lines up in one column.
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->setVerticalSpacing(8);
    colorRow(form, tr("Background:"), backgroundColorWell, QStringLiteral("backgroundColorWell"),
             &PreferencesWindowController::didChangeBackgroundColor, &PreferencesWindowController::resetBackgroundColor);
    colorRow(form, tr("File names:"), labelColorWell, QStringLiteral("labelColorWell"),
             &PreferencesWindowController::didChangeLabelColor, &PreferencesWindowController::resetLabelColor);
    colorRow(form, tr("Selection:"), selectionColorWell, QStringLiteral("selectionColorWell"),
             &PreferencesWindowController::didChangeSelectionColor, &PreferencesWindowController::resetSelectionColor);
    form->addItem(new QSpacerItem(0, 8));

    includePDFsButton = checkbox(tr("Show PDF documents"), QStringLiteral("includePDFsButton"),
                                 &PreferencesWindowController::didChangeIncludePDFs);
    includeVideosButton = checkbox(tr("Show videos"), QStringLiteral("includeVideosButton"),
                                   &PreferencesWindowController::didChangeIncludeVideos);
    highQualityThumbnailsButton = checkbox(tr("High-quality thumbnails"), QStringLiteral("highQualityThumbnailsButton"),
                                           &PreferencesWindowController::didChangeHighQualityThumbnails);
    form->addRow(tr("Items:"), includePDFsButton);
    form->addRow(QString(), includeVideosButton);
    diskThumbnailsButton = checkbox(tr("Keep thumbnails on disk, shared with other applications"),
                                    QStringLiteral("diskThumbnailsButton"),
                                    &PreferencesWindowController::didChangeDiskThumbnails);
    form->addRow(tr("Thumbnails:"), highQualityThumbnailsButton);
    form->addRow(QString(), diskThumbnailsButton);
    form->addItem(new QSpacerItem(0, 8));

    auto *pacingRow = new QHBoxLayout;
    slideshowPacingTextField = new QLineEdit(window);
    slideshowPacingTextField->setObjectName(QStringLiteral("slideshowPacingTextField"));
    slideshowPacingTextField->setFixedWidth(72);
    slideshowPacingTextField->setAlignment(Qt::AlignRight);
    // Each keystroke, not only the end of editing: a running slideshow follows as the user types.
    connect(slideshowPacingTextField, &QLineEdit::textEdited, this, &PreferencesWindowController::controlTextDidChange);
    connect(slideshowPacingTextField, &QLineEdit::editingFinished, this,
            &PreferencesWindowController::didChangeSlideshowPacing);
    pacingRow->addWidget(slideshowPacingTextField);
    pacingRow->addWidget(new QLabel(tr("seconds per image"), window));
    pacingRow->addStretch(1);
    form->addRow(tr("Slideshow:"), pacingRow);

    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addLayout(form);
    layout->addStretch(1);
    window->setFixedSize(window->sizeHint().expandedTo(QSize(380, 0)));
}

void PreferencesWindowController::windowDidLoad()
{
    const Preferences &preferences = Preferences::sharedInstance();
    m_window->setWindowTitle(tr("Preferences"));
    backgroundColorWell->setColor(preferences.backgroundColor());
    labelColorWell->setColor(preferences.labelColor());
    selectionColorWell->setColor(preferences.selectionColor());
    slideshowPacingTextField->setText(QLocale().toString(double(preferences.slideshowPacing()), 'g', 6));
    includePDFsButton->setChecked(preferences.includePDFs());
    includeVideosButton->setChecked(preferences.includeVideos());
    highQualityThumbnailsButton->setChecked(preferences.highQualityThumbnails());
    diskThumbnailsButton->setChecked(preferences.diskThumbnails());
}

void PreferencesWindowController::didChangeBackgroundColor()
{
    Preferences::sharedInstance().setBackgroundColor(backgroundColorWell->color());
}

void PreferencesWindowController::didChangeLabelColor()
{
    Preferences::sharedInstance().setLabelColor(labelColorWell->color());
}

void PreferencesWindowController::didChangeSelectionColor()
{
    Preferences::sharedInstance().setSelectionColor(selectionColorWell->color());
}

void PreferencesWindowController::didChangeIncludePDFs()
{
    Preferences::sharedInstance().setIncludePDFs(includePDFsButton->checkState() == Qt::Checked);
}

void PreferencesWindowController::didChangeIncludeVideos()
{
    Preferences::sharedInstance().setIncludeVideos(includeVideosButton->checkState() == Qt::Checked);
}

void PreferencesWindowController::didChangeHighQualityThumbnails()
{
    Preferences::sharedInstance().setHighQualityThumbnails(highQualityThumbnailsButton->checkState() == Qt::Checked);
}

void PreferencesWindowController::didChangeDiskThumbnails()
{
    Preferences::sharedInstance().setDiskThumbnails(diskThumbnailsButton->checkState() == Qt::Checked);
}

void PreferencesWindowController::resetBackgroundColor()
{
    Preferences &preferences = Preferences::sharedInstance();
    preferences.resetBackgroundColor();
    backgroundColorWell->setColor(preferences.backgroundColor());
}

void PreferencesWindowController::resetLabelColor()
{
    Preferences &preferences = Preferences::sharedInstance();
    preferences.resetLabelColor();
    labelColorWell->setColor(preferences.labelColor());
}

void PreferencesWindowController::resetSelectionColor()
{
    Preferences &preferences = Preferences::sharedInstance();
    preferences.resetSelectionColor();
    selectionColorWell->setColor(preferences.selectionColor());
}

void PreferencesWindowController::controlTextDidChange()
{
    didChangeSlideshowPacing();
}

void PreferencesWindowController::didChangeSlideshowPacing()
{
    QLineEdit *field = slideshowPacingTextField;
    if (!field)
        return;
    if (LMRPacingFromText(field->text()) < 0)
        field->setText(QStringLiteral("0"));
    // Read again after the correction; adding 0 turns a typed "-0" into a plain 0.
    Preferences::sharedInstance().setSlideshowPacing(LMRPacingFromText(field->text()) + 0.0f);
}
