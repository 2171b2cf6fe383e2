#include "viewer/VideoControlBar.h"

#include "prefs/Preferences.h"

#include <QAudio>
#include <QAudioOutput>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <limits>

namespace {

constexpr int kMargin = 12;
constexpr int kMaximumWidth = 760;
constexpr int kVolumeSteps = 100;

// Drawn here rather than taken from the style: the style's media glyphs are dark, and on the
// bar's dark ground they vanish.
QIcon playPauseIcon(bool playing, qreal ratio)
{
    constexpr int kSide = 16;
    QPixmap pixmap(QSize(kSide, kSide) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    if (playing) {
        painter.drawRect(QRectF(3, 2, 3.5, 12));
        painter.drawRect(QRectF(9.5, 2, 3.5, 12));
    } else {
        QPainterPath triangle;
        triangle.moveTo(4, 2);
        triangle.lineTo(14, 8);
        triangle.lineTo(4, 14);
        triangle.closeSubpath();
        painter.drawPath(triangle);
    }
    return QIcon(pixmap);
}

int clampedMilliseconds(qint64 milliseconds)
{
    return int(std::clamp<qint64>(milliseconds, 0, std::numeric_limits<int>::max()));
}

} // namespace

LMRVideoControlBar::LMRVideoControlBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("videoControlBar"));
    // Its own window, stacked over the video's; the viewer and the main window stay as they are.
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_NativeWindow);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    colours.setColor(QPalette::WindowText, Qt::white);
    colours.setColor(QPalette::ButtonText, Qt::white);
    setPalette(colours);
    // Clicks on the bar must not take the keys away from the viewer.
    setFocusPolicy(Qt::NoFocus);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->setSpacing(8);
    auto button = [this](const char *name, const QString &toolTip) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(toolTip);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    m_playButton = button("playButton", tr("Play or pause (K)"));
    connect(m_playButton, &QToolButton::clicked, this, &LMRVideoControlBar::togglePlayPause);

    m_positionSlider = new QSlider(Qt::Horizontal, this);
    m_positionSlider->setObjectName(QStringLiteral("positionSlider"));
    m_positionSlider->setFocusPolicy(Qt::NoFocus);
    m_positionSlider->setSingleStep(5000);
    m_positionSlider->setPageStep(10000);
    // actionTriggered comes for drags, clicks on the groove and wheel turns alike, with the
    // slider's new position already set: one place to seek from.
    connect(m_positionSlider, &QSlider::actionTriggered, this, [this] {
        if (m_player)
            m_player->setPosition(m_positionSlider->sliderPosition());
    });

    m_timeLabel = new QLabel(this);
    m_timeLabel->setObjectName(QStringLiteral("timeLabel"));

    m_muteButton = button("muteButton", tr("Mute (M)"));
    m_muteButton->setCheckable(true);
    connect(m_muteButton, &QToolButton::clicked, this, [this](bool muted) {
        Preferences::sharedInstance().setVideoMuted(muted);
        applySound();
    });

    m_volumeSlider = new QSlider(Qt::Horizontal, this);
    m_volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    m_volumeSlider->setFocusPolicy(Qt::NoFocus);
    m_volumeSlider->setRange(0, kVolumeSteps);
    m_volumeSlider->setFixedWidth(90);
    m_volumeSlider->setToolTip(tr("Volume"));
    connect(m_volumeSlider, &QSlider::valueChanged, this, [this] {
        applySound();
        // A drag writes the setting once, when it ends.
        if (!m_volumeSlider->isSliderDown())
            storeVolume();
    });
    connect(m_volumeSlider, &QSlider::sliderReleased, this, &LMRVideoControlBar::storeVolume);

    layout->addWidget(m_playButton);
    layout->addWidget(m_positionSlider, 1);
    layout->addWidget(m_timeLabel);
    layout->addWidget(m_muteButton);
    layout->addWidget(m_volumeSlider);

    m_idleTimer = new QTimer(this);
    m_idleTimer->setSingleShot(true);
    m_idleTimer->setInterval(kIdleMilliseconds);
    connect(m_idleTimer, &QTimer::timeout, this, &LMRVideoControlBar::idleTimeout);

    hide();
    updatePlayButton();
    updatePosition();
    updateSoundControls();
}

void LMRVideoControlBar::setPlayer(QMediaPlayer *player, QAudioOutput *output)
{
    if (m_player)
        disconnect(m_player, nullptr, this, nullptr);
    m_player = player;
    m_audioOutput = output;
    if (player) {
        connect(player, &QMediaPlayer::playbackStateChanged, this, &LMRVideoControlBar::updatePlayButton);
        connect(player, &QMediaPlayer::positionChanged, this, &LMRVideoControlBar::updatePosition);
        connect(player, &QMediaPlayer::durationChanged, this, &LMRVideoControlBar::updatePosition);
    } else {
        m_idleTimer->stop();
        hide();
    }
    updatePlayButton();
    updatePosition();
    updateSoundControls();
    applySound();
}

void LMRVideoControlBar::poke()
{
    if (!m_player)
        return;
    if (isHidden())
        show();
    m_idleTimer->start();
}

void LMRVideoControlBar::idleTimeout()
{
    // Not from under the pointer, nor while a slider is held.
    if (underMouse() || m_positionSlider->isSliderDown() || m_volumeSlider->isSliderDown()) {
        m_idleTimer->start();
        return;
    }
    hide();
}

void LMRVideoControlBar::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    raise();
    // The video's window is not a widget: Qt's own stacking of siblings does not see it.
    if (QWindow *window = windowHandle())
        window->raise();
}

void LMRVideoControlBar::togglePlayPause()
{
    if (!m_player)
        return;
    if (m_player->playbackState() == QMediaPlayer::PlayingState) {
        m_player->pause();
    } else {
        // At the end, playing again starts from the beginning.
        if (m_player->mediaStatus() == QMediaPlayer::EndOfMedia)
            m_player->setPosition(0);
        m_player->play();
    }
}

void LMRVideoControlBar::seekBy(qint64 milliseconds)
{
    if (!m_player || !m_player->isSeekable())
        return;
    const qint64 duration = m_player->duration();
    qint64 target = std::max<qint64>(0, m_player->position() + milliseconds);
    if (duration > 0)
        target = std::min(target, duration);
    m_player->setPosition(target);
}

void LMRVideoControlBar::toggleMuted()
{
    Preferences &preferences = Preferences::sharedInstance();
    preferences.setVideoMuted(!preferences.videoMuted());
    updateSoundControls();
    applySound();
}

QRect LMRVideoControlBar::frameInArea(const QRect &area)
{
    const int width = std::max(0, std::min(area.width() - 2 * kMargin, kMaximumWidth));
    return QRect(area.x() + (area.width() - width) / 2, area.bottom() + 1 - kMargin - kHeight, width, kHeight);
}

QString LMRVideoControlBar::timeText(qint64 milliseconds)
{
    const qint64 seconds = std::max<qint64>(0, milliseconds) / 1000;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const QChar zero(u'0');
    if (hours > 0)
        return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, zero).arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(minutes).arg(seconds % 60, 2, 10, zero);
}

float LMRVideoControlBar::linearVolume(float perceived)
{
    return float(QAudio::convertVolume(std::clamp(perceived, 0.0f, 1.0f), QAudio::LogarithmicVolumeScale,
                                       QAudio::LinearVolumeScale));
}

void LMRVideoControlBar::updatePlayButton()
{
    const bool playing = m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
    m_playButton->setIcon(playPauseIcon(playing, devicePixelRatioF()));
    m_playButton->setEnabled(m_player);
}

void LMRVideoControlBar::updatePosition()
{
    const qint64 duration = m_player ? m_player->duration() : 0;
    const qint64 position = m_player ? m_player->position() : 0;
    m_positionSlider->setEnabled(duration > 0);
    m_positionSlider->setRange(0, clampedMilliseconds(duration));
    // The knob the user holds is not pulled away from under the pointer.
    if (!m_positionSlider->isSliderDown())
        m_positionSlider->setValue(clampedMilliseconds(position));
    m_timeLabel->setText(QStringLiteral("%1 / %2").arg(timeText(position), timeText(duration)));
}

void LMRVideoControlBar::updateSoundControls()
{
    const Preferences &preferences = Preferences::sharedInstance();
    const bool muted = preferences.videoMuted();
    {
        const QSignalBlocker blocker(m_volumeSlider);
        m_volumeSlider->setValue(qRound(preferences.videoVolume() * kVolumeSteps));
    }
    m_muteButton->setChecked(muted);
    m_muteButton->setIcon(style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
}

void LMRVideoControlBar::applySound()
{
    m_muteButton->setIcon(style()->standardIcon(m_muteButton->isChecked() ? QStyle::SP_MediaVolumeMuted
                                                                          : QStyle::SP_MediaVolume));
    if (!m_audioOutput)
        return;
    m_audioOutput->setMuted(m_muteButton->isChecked());
    m_audioOutput->setVolume(linearVolume(float(m_volumeSlider->value()) / kVolumeSteps));
}

void LMRVideoControlBar::storeVolume()
{
    Preferences::sharedInstance().setVideoVolume(float(m_volumeSlider->value()) / kVolumeSteps);
}
