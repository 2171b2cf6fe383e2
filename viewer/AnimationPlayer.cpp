#include "viewer/AnimationPlayer.h"

#include "platform/AnimatedImage.h"
#include "support/BackgroundTasks.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

struct LMRAnimationPlayer::Decoded {
    // Set only by the first decode: the file's reader, when it is an animation.
    std::shared_ptr<LMRAnimatedImageReader> reader;
    int loopCount = 0;
    LMRAnimationFrame frame;
    bool ok = false;
    // The frame is the first of a new pass.
    bool startsPass = false;
};

LMRAnimationPlayer::LMRAnimationPlayer(QObject *parent) : QObject(parent)
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_due = true;
        showNextIfDue();
    });
}

LMRAnimationPlayer::~LMRAnimationPlayer()
{
    stop();
}

void LMRAnimationPlayer::start(const QString &path, const QString &mimeType)
{
    stop();
    if (!LMRAnimatedImageReader::mayBeAnimated(mimeType))
        return;
    const quint64 generation = m_generation;
    QPointer<LMRAnimationPlayer> self(this);
    m_decoding = true;
    // Even finding out whether a file is animated reads all of a GIF: never on the main thread.
    LMRBackgroundTasks::pool().start([self, generation, path, mimeType] {
        auto decoded = std::make_shared<Decoded>();
        std::shared_ptr<LMRAnimatedImageReader> reader = LMRAnimatedImageReader::open(path, mimeType);
        if (reader && reader->readNextFrame(decoded->frame)) {
            decoded->ok = true;
            decoded->startsPass = true;
            decoded->loopCount = reader->loopCount();
            decoded->reader = std::move(reader);
        }
        QMetaObject::invokeMethod(
            qApp, [self, generation, decoded] {
                if (self)
                    self->didDecode(generation, decoded);
            },
            Qt::QueuedConnection);
    });
}

void LMRAnimationPlayer::stop()
{
    ++m_generation;
    m_timer->stop();
    // A decode in flight keeps the reader alive until it is done, then drops it.
    m_reader.reset();
    m_next.reset();
    m_decoding = false;
    m_due = false;
    m_playing = false;
    m_frameIndex = -1;
    m_frameDelay = 0;
    m_completedPasses = 0;
}

void LMRAnimationPlayer::requestNextFrame()
{
    if (!m_reader)
        return;
    // Another pass may begin only while the file's loop count allows one.
    const bool mayRewind = m_loopCount < 0 || m_completedPasses < m_loopCount;
    const quint64 generation = m_generation;
    std::shared_ptr<LMRAnimatedImageReader> reader = m_reader;
    QPointer<LMRAnimationPlayer> self(this);
    m_decoding = true;
    LMRBackgroundTasks::pool().start([self, generation, reader, mayRewind] {
        auto decoded = std::make_shared<Decoded>();
        decoded->ok = reader->readNextFrame(decoded->frame);
        if (!decoded->ok && mayRewind && reader->rewind()) {
            decoded->ok = reader->readNextFrame(decoded->frame);
            decoded->startsPass = true;
        }
        QMetaObject::invokeMethod(
            qApp, [self, generation, decoded] {
                if (self)
                    self->didDecode(generation, decoded);
            },
            Qt::QueuedConnection);
    });
}

void LMRAnimationPlayer::didDecode(quint64 generation, const std::shared_ptr<Decoded> &decoded)
{
    if (generation != m_generation)
        return;
    m_decoding = false;
    if (decoded->reader) {
        // The first frame: show it at once, and the timing starts from here.
        m_reader = decoded->reader;
        m_loopCount = decoded->loopCount;
        m_playing = true;
        m_next = decoded;
        m_next->reader.reset();
        m_due = true;
    } else if (!m_reader) {
        return;
    } else {
        m_next = decoded;
    }
    showNextIfDue();
}

void LMRAnimationPlayer::showNextIfDue()
{
    if (!m_due || !m_next)
        return;
    const std::shared_ptr<Decoded> next = std::move(m_next);
    m_due = false;
    if (!next->ok) {
        // The end of the last pass, or a frame that does not decode: the last frame stays.
        m_playing = false;
        m_reader.reset();
        emit finished();
        return;
    }
    if (next->startsPass) {
        if (m_frameIndex >= 0)
            ++m_completedPasses;
        m_frameIndex = 0;
    } else {
        ++m_frameIndex;
    }
    m_frameDelay = next->frame.delay;
    m_timer->start(m_frameDelay);
    emit frameChanged(next->frame.image);
    requestNextFrame();
}
