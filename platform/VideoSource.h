#pragma once
// The video asset: what the thumbnail renderer needs of a movie file. Its duration as a
// rational time, the size of its first video stream, and one frame at a given time, taken from
// the key frame at or before that time (as a frame generator does unless told to be exact; an
// exact frame on a long group of pictures costs a second a file).
//
// It opens containers without probing the streams (the headers already say enough), keeps no
// state between calls, and belongs to the thread that opened it.

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

// A rational time: value / timescale seconds. All zero means no time.
struct LMRMediaTime
{
    qint64 value = 0;
    qint32 timescale = 0;
    quint32 flags = 0;     // 1: valid
    qint64 epoch = 0;

    // Half the value, rounded toward zero; timescale, flags and epoch kept.
    LMRMediaTime halved() const { return {value / 2, timescale, flags, epoch}; }
    double seconds() const { return timescale > 0 ? double(value) / timescale : 0.0; }
    bool operator==(const LMRMediaTime &) const = default;
};

class LMRVideoAsset
{
public:
    // Null when the file is not a container FFmpeg reads. Hints naming an image or a PDF are not
    // probed at all: a broken photograph must not come back as a one-frame "video".
    static std::unique_ptr<LMRVideoAsset> open(const QString &path, const QString &mimeHint = {});
    virtual ~LMRVideoAsset();

    virtual LMRMediaTime duration() const = 0;
    // The first video stream's size as displayed (its rotation applied); none without one.
    virtual std::optional<QSize> firstVideoTrackSize() = 0;
    // The frame shown at the key frame at or before time, oriented as players show it and
    // scaled to fit maxPixelSize (0: natural size); null when none decodes.
    virtual QImage frameAtTime(LMRMediaTime time, int maxPixelSize = 0) = 0;
    // Whether frameAtTime refused the stream's declared size as more than may be decoded (and
    // logged that once).
    virtual bool isTooLarge() const { return false; }

protected:
    LMRVideoAsset() = default;
};
