#pragma once
// The preferences window: the three colours with their resets, whether PDFs and videos are
// listed, high-quality thumbnails, and the slideshow's pacing. Every change goes to the
// settings store the moment the user makes it (the pacing on every keystroke; a colour while
// its dialog is open, written to disk once the dialog closes); the store's notifications tell
// the views. The controller keeps no copy of any setting: the controls are
// filled once when the window is built, and nothing else changes these settings meanwhile.
//
// It does not apply a setting to the views itself, and it sets no upper bound on the pacing.

#include <QObject>
#include <QPointer>

class LMRColorWell;
class QCheckBox;
class QLineEdit;
class QWidget;

// The seconds a pacing text stands for: the leading number of the text, read in the user's
// locale or with a decimal point ("2." reads 2, "2.5 s" reads 2.5). Text that does not start
// with a number, an empty text and a number too odd to time a slideshow by read 0.
float LMRPacingFromText(const QString &text);

class PreferencesWindowController : public QObject
{
    Q_OBJECT
public:
    explicit PreferencesWindowController(QObject *parent = nullptr);
    ~PreferencesWindowController() override;

    // Builds the window on first call, then brings it forward.
    void showWindow();
    // The window the preferences belong to: the desktop keeps the preferences above it and
    // places them over it. Set before the first showWindow.
    void setTransientParent(QWidget *window) { m_transientParent = window; }
    QWidget *window() const { return m_window; }

    void didChangeBackgroundColor();
    void didChangeLabelColor();
    void didChangeSelectionColor();
    void didChangeIncludePDFs();
    void didChangeIncludeVideos();
    void didChangeHighQualityThumbnails();
    void didChangeDiskThumbnails();
    void resetBackgroundColor();
    void resetLabelColor();
    void resetSelectionColor();
    // The pacing field's text changed by the user: stored at once.
    void controlTextDidChange();
    void didChangeSlideshowPacing();

    // The window's controls, set when it is built.
    QPointer<LMRColorWell> backgroundColorWell;
    QPointer<LMRColorWell> labelColorWell;
    QPointer<LMRColorWell> selectionColorWell;
    QPointer<QCheckBox> includePDFsButton;
    QPointer<QCheckBox> includeVideosButton;
    QPointer<QCheckBox> highQualityThumbnailsButton;
    QPointer<QCheckBox> diskThumbnailsButton;
    QPointer<QLineEdit> slideshowPacingTextField;

private:
    void buildWindow();
    void windowDidLoad();

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_transientParent;
};
