// Video through FFmpeg. Containers are opened without avformat_find_stream_info, which decodes
// frames of every stream to guess what the headers of MP4, MOV and Matroska state anyway: it
// would cost more than the frame we want. So the pixel format is only known from a decoded
// frame, and the scaler is built from that.

#include "platform/VideoSource.h"

#include "platform/ImageSource.h"
#include "support/Log.h"

#include <QFile>
#include <QTransform>

#include <mutex>

#if LUMORY_HAVE_FFMPEG
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}
#endif

LMRVideoAsset::~LMRVideoAsset() = default;

#if LUMORY_HAVE_FFMPEG

namespace {

struct CodecDeleter { void operator()(AVCodecContext *c) const { avcodec_free_context(&c); } };
struct FrameDeleter { void operator()(AVFrame *f) const { av_frame_free(&f); } };
struct PacketDeleter { void operator()(AVPacket *p) const { av_packet_free(&p); } };
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

// A decoder holds several reference frames besides the one it hands out, and the frame is
// converted to 32-bit colour.
constexpr double kVideoBytesPerPixel = 16;

bool isImageDemuxer(const char *name)
{
    const QByteArray n(name);
    return n.endsWith("_pipe") || n == "image2" || n == "mjpeg" || n == "mpjpeg";
}

class FFmpegAsset : public LMRVideoAsset
{
public:
    FFmpegAsset(AVFormatContext *format, const QString &path) : m_format(format), m_path(path)
    {
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            const AVStream *stream = format->streams[i];
            // A music file's cover art is reported as a video stream of one picture.
            if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
                && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
                m_stream = int(i);
                break;
            }
        }
    }
    ~FFmpegAsset() override { avformat_close_input(&m_format); }

    bool isTooLarge() const override { return m_tooLarge; }

    LMRMediaTime duration() const override
    {
        if (m_format->duration != AV_NOPTS_VALUE && m_format->duration > 0)
            return {m_format->duration, AV_TIME_BASE, 1, 0};
        // AVI and some raw streams state no container duration, only the stream's.
        if (m_stream >= 0) {
            const AVStream *stream = m_format->streams[m_stream];
            if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
                if (stream->time_base.num == 1)
                    return {stream->duration, stream->time_base.den, 1, 0};
                return {av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q), AV_TIME_BASE, 1, 0};
            }
        }
        return {};
    }

    std::optional<QSize> firstVideoTrackSize() override
    {
        if (m_stream < 0)
            return std::nullopt;
        const AVCodecParameters *parameters = m_format->streams[m_stream]->codecpar;
        QSize size(parameters->width, parameters->height);
        if (size.isEmpty())
            size = m_decodedSize;
        if (size.isEmpty()) {
            // Unprobed MPEG-4 Visual streams in MP4 state their size only in the bitstream: the
            // first frame tells it.
            frameAtTime(LMRMediaTime{}, 1);
            size = m_decodedSize;
        }
        return quarterTurns() % 2 ? size.transposed() : size;
    }

    QImage frameAtTime(LMRMediaTime time, int maxPixelSize) override
    {
        if (m_stream < 0 || m_tooLarge)
            return {};
        AVStream *stream = m_format->streams[m_stream];
        const qint64 declared = qint64(stream->codecpar->width) * stream->codecpar->height;
        const qint64 limit = LMRImageSource::pixelLimit(kVideoBytesPerPixel);
        if (declared > limit) {
            m_tooLarge = true;
            LMRLog(QStringLiteral("! Video too large to decode: %1 declares %2 x %3 pixels, more than %4")
                       .arg(m_path).arg(stream->codecpar->width).arg(stream->codecpar->height).arg(limit));
            return {};
        }
        CodecPtr context = openDecoder();
        if (!context)
            return {};

        const qint64 start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        qint64 target = start;
        if (time.timescale > 0)
            target += av_rescale_q(time.value, AVRational{1, time.timescale}, stream->time_base);
        av_seek_frame(m_format, m_stream, target, AVSEEK_FLAG_BACKWARD);

        FramePtr frame(av_frame_alloc());
        PacketPtr packet(av_packet_alloc());
        if (!frame || !packet || !decodeNext(context.get(), packet.get(), frame.get()))
            return {};
        if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT)) {
            // Some encoders' key frames decode damaged right after a seek (their references
            // reach back past it). Decoding forward from the start is slow but gives the frame.
            av_seek_frame(m_format, m_stream, start, AVSEEK_FLAG_BACKWARD);
            avcodec_flush_buffers(context.get());
            FramePtr candidate(av_frame_alloc());
            bool haveFrame = false;
            while (decodeNext(context.get(), packet.get(), candidate.get())) {
                av_frame_unref(frame.get());
                av_frame_move_ref(frame.get(), candidate.get());
                haveFrame = true;
                if (frame->best_effort_timestamp != AV_NOPTS_VALUE && frame->best_effort_timestamp >= target)
                    break;
            }
            if (!haveFrame)
                return {};
        }
        m_decodedSize = QSize(frame->width, frame->height);
        return toImage(frame.get(), maxPixelSize);
    }

private:
    CodecPtr openDecoder() const
    {
        const AVStream *stream = m_format->streams[m_stream];
        const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
        if (!codec)
            return nullptr;
        CodecPtr context(avcodec_alloc_context3(codec));
        if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0)
            return nullptr;
        // One frame is wanted: frame threads would only delay it, and the loading thread is
        // meant to use one core.
        context->thread_count = 1;
        // Also for streams whose headers do not state their size (MPEG-4 Visual in MP4): the
        // decoder refuses a frame above it instead of allocating it, each time it is asked.
        context->max_pixels = qMin<qint64>(LMRImageSource::pixelLimit(kVideoBytesPerPixel), INT_MAX);
        if (avcodec_open2(context.get(), codec, nullptr) < 0)
            return nullptr;
        return context;
    }

    int quarterTurns() const
    {
        const uint8_t *matrix = av_stream_get_side_data(m_format->streams[m_stream], AV_PKT_DATA_DISPLAYMATRIX, nullptr);
        if (!matrix)
            return 0;
        const double angle = av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix));
        if (std::isnan(angle))
            return 0;
        // The matrix turns counter-clockwise; quarter turns clockwise, 0-3.
        return ((-qRound(angle / 90.0)) % 4 + 4) % 4;
    }

    bool decodeNext(AVCodecContext *context, AVPacket *packet, AVFrame *frame)
    {
        bool draining = false;
        for (;;) {
            const int received = avcodec_receive_frame(context, frame);
            if (received == 0)
                return true;
            if (received != AVERROR(EAGAIN) || draining)
                return false;
            const int read = av_read_frame(m_format, packet);
            if (read < 0) {
                draining = true;
                avcodec_send_packet(context, nullptr);
                continue;
            }
            if (packet->stream_index == m_stream)
                avcodec_send_packet(context, packet);    // a damaged packet is skipped
            av_packet_unref(packet);
        }
    }

    QImage toImage(const AVFrame *frame, int maxPixelSize) const
    {
        const QSize natural(frame->width, frame->height);
        if (natural.isEmpty())
            return {};
        QSize size = natural;
        if (maxPixelSize > 0 && qMax(size.width(), size.height()) > maxPixelSize) {
            const double scale = double(maxPixelSize) / qMax(size.width(), size.height());
            size = QSize(qMax(1, qRound(size.width() * scale)), qMax(1, qRound(size.height() * scale)));
        }
        SwsContext *scaler = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                            size.width(), size.height(), AV_PIX_FMT_RGB32, SWS_AREA,
                                            nullptr, nullptr, nullptr);
        if (!scaler)
            return {};
        QImage image(size, QImage::Format_RGB32);
        if (!image.isNull()) {
            uint8_t *planes[4] = {image.bits(), nullptr, nullptr, nullptr};
            const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
            if (sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides) <= 0)
                image = QImage();
        }
        sws_freeContext(scaler);
        if (const int turns = quarterTurns(); turns && !image.isNull())
            image = image.transformed(QTransform().rotate(90 * turns));
        return image;
    }

    AVFormatContext *m_format;

    int m_stream = -1;
    QSize m_decodedSize;
    QString m_path;
    bool m_tooLarge = false;
};

} // namespace

std::unique_ptr<LMRVideoAsset> LMRVideoAsset::open(const QString &path, const QString &mimeHint)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    if (mimeHint.startsWith(QLatin1String("image/")) || mimeHint == QLatin1String("application/pdf"))
        return nullptr;
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return nullptr;
    if (!format->iformat || isImageDemuxer(format->iformat->name)) {
        avformat_close_input(&format);
        return nullptr;
    }
    return std::make_unique<FFmpegAsset>(format, path);
}

#else

std::unique_ptr<LMRVideoAsset> LMRVideoAsset::open(const QString &, const QString &)
{
    return nullptr;
}

#endif
