#pragma once
// LMRVideoControlBar: the strip laid over a playing video, with play/pause, the position (a
// slider with the elapsed and the total time) and the sound (mute and volume). It shows while
// the pointer moves over the video and hides after a short idle time, unless the pointer rests
// on the bar itself or a slider is held.
//
// It is a native child window: the video is drawn in a native window of its own, which covers
// every plain widget laid over it, and a native sibling raised above it does not. It drives the
// player it is given and knows nothing of items or of the viewer's keys. Volume and mute are
// the settings' (Preferences); a player without an audio output (no sound device) plays silent
// and the sound controls still set what the next clip will use.

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QPointer>
#include <QWidget>

class QLabel;
class QSlider;
class QTimer;
class QToolButton;

class LMRVideoControlBar : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHeight = 36;
    // How long the bar stays after the pointer stopped moving over the video.
    static constexpr int kIdleMilliseconds = 2500;

    explicit LMRVideoControlBar(QWidget *parent = nullptr);

    // The player to drive, with its audio output when it has one; null detaches.
    void setPlayer(QMediaPlayer *player, QAudioOutput *output);
    QMediaPlayer *player() const { return m_player; }

    // The pointer moved over the video: show now, hide after the idle time.
    void poke();
    void togglePlayPause();
    // Moves the position by a signed number of milliseconds, within the clip.
    void seekBy(qint64 milliseconds);
    void toggleMuted();

    // The bar's place over a video filling area: along the bottom, no wider than it reads well.
    static QRect frameInArea(const QRect &area);
    // "m:ss", or "h:mm:ss" from an hour on.
    static QString timeText(qint64 milliseconds);
    // The audio output's linear volume for a setting on the perceived scale of the slider.
    static float linearVolume(float perceived);

    QToolButton *playButton() const { return m_playButton; }
    QSlider *positionSlider() const { return m_positionSlider; }
    QLabel *timeLabel() const { return m_timeLabel; }
    QToolButton *muteButton() const { return m_muteButton; }
    QSlider *volumeSlider() const { return m_volumeSlider; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void idleTimeout();
    void updatePlayButton();
    void updatePosition();
    void updateSoundControls();
    void applySound();
    void storeVolume();

    QPointer<QMediaPlayer> m_player;
    QPointer<QAudioOutput> m_audioOutput;
    QToolButton *m_playButton = nullptr;
    QSlider *m_positionSlider = nullptr;
    QLabel *m_timeLabel = nullptr;
    QToolButton *m_muteButton = nullptr;
    QSlider *m_volumeSlider = nullptr;
    QTimer *m_idleTimer = nullptr;
};
