#pragma once
// Animated pictures (GIF, WebP, and PNG with an animation), read one frame at a time as they
// are shown. Only the frame being composed is held, never the whole animation, so a long or a
// large animation costs the memory of a canvas or two. Frames come out whole: each one already
// composed onto what the frames before it left, as the file says.
//
// A reader belongs to one thread at a time and keeps no state elsewhere; the viewer's player
// hands it to a worker for each frame. A still picture, a single-frame "animation" or a file
// that is not one of these formats gives no reader: the still decoder shows those.

#include <QImage>
#include <QString>

#include <memory>

struct LMRAnimationFrame
{
    QImage image;
    // How long the frame stays on show before the next, in milliseconds.
    int delay = 0;
};

class LMRAnimatedImageReader
{
public:
    // A reader when the file holds an animation of two frames or more; null otherwise.
    static std::unique_ptr<LMRAnimatedImageReader> open(const QString &path, const QString &mimeType);
    // Whether a file of this type may hold an animation at all (cheap: no file is read).
    static bool mayBeAnimated(const QString &mimeType);
    // Files that ask for no delay, or next to none, mean "fast": they play at a tenth of a second
    // per frame, as web browsers do, rather than as fast as the machine can go.
    static int effectiveDelay(int fileDelay);

    virtual ~LMRAnimatedImageReader() = default;

    // How often the whole animation plays again after its first pass; -1 for ever.
    virtual int loopCount() const = 0;
    // The next frame of this pass; false at the end of the pass or at a frame that cannot be
    // read.
    virtual bool readNextFrame(LMRAnimationFrame &frame) = 0;
    // Back before the first frame, for another pass.
    virtual bool rewind() = 0;
};
