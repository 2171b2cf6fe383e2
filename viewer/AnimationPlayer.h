#pragma once
// LMRAnimationPlayer: plays an animated picture for the viewer at the frame timing its file
// gives, looping as often as the file says, and then rests on the last frame.
//
// Each frame is decoded on a worker while the one before it is on show, so the main thread
// only swaps pictures and a slow frame delays the animation rather than the window. At most
// the frame on show and the next one are held; the reader keeps its own canvas. It says
// nothing about what the frames are shown in: the viewer takes them from frameChanged.

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

class LMRAnimatedImageReader;
class QTimer;

class LMRAnimationPlayer : public QObject
{
    Q_OBJECT
public:
    explicit LMRAnimationPlayer(QObject *parent = nullptr);
    ~LMRAnimationPlayer() override;

    // Plays the file if it holds an animation, from its first frame; a still picture is left
    // alone (no frame is ever sent for it). Stops whatever played before.
    void start(const QString &path, const QString &mimeType);
    void stop();

    // Whether frames are still to come (false before the file has been looked at, for a still
    // picture, and once the last pass has ended).
    bool isPlaying() const { return m_playing; }
    // The frame on show: its place in the animation and how long it stays.
    int frameIndex() const { return m_frameIndex; }
    int frameDelay() const { return m_frameDelay; }
    int completedPasses() const { return m_completedPasses; }
    // A frame (or the first look at the file) is being decoded.
    bool isDecoding() const { return m_decoding; }

signals:
    void frameChanged(const QImage &frame);
    // The last pass ended on its last frame.
    void finished();

private:
    struct Decoded;
    void requestNextFrame();
    void didDecode(quint64 generation, const std::shared_ptr<Decoded> &decoded);
    void showNextIfDue();

    std::shared_ptr<LMRAnimatedImageReader> m_reader;
    QTimer *m_timer = nullptr;
    // Counts starts and stops, so that a frame decoded for an earlier file is dropped.
    quint64 m_generation = 0;
    std::shared_ptr<Decoded> m_next;
    bool m_decoding = false;
    bool m_due = false;
    bool m_playing = false;
    int m_loopCount = 0;
    int m_frameIndex = -1;
    int m_frameDelay = 0;
    int m_completedPasses = 0;
};
