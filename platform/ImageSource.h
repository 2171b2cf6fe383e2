#pragma once
// The image source: the one door through which the program reads pictures from files. For a
// path and a MIME type hint it answers the pixel size of the first image (read from the header,
// never by decoding), the embedded preview a camera or encoder stored, a thumbnail made from the
// full image, and the whole image. Each decoder library lives behind it in a file of its own;
// nothing outside platform/ sees a decoder header.
//
// It deliberately keeps no cache and no state between calls: every source object belongs to
// the thread that opened it, so thumbnails can be made on a worker while the viewer decodes on
// the GUI thread. Results are QImage only (never QPixmap, which is not safe off the GUI thread).
//
// Sizes are as the picture is displayed: the file's orientation is applied to thumbnails, whole
// images and the pixel size alike, so a portrait photograph stored sideways reports 3000 x 4000.

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>

// A decoded picture as the viewer and the thumbnail renderer handle it. A bitmap's size is its
// pixel size; a vector source (a PDF page, an SVG drawing) has a size in points and carries a
// raster rendered from it at a resolution fit for display, but no pixel size of its own.
struct LMRImage
{
    // Why there is no image: TooLarge when the file declares more pixels than may be decoded,
    // which no later attempt will change.
    enum class Failure { None, Unreadable, TooLarge };

    QImage image;
    QSizeF size;            // points
    bool isBitmap = true;
    Failure failure = Failure::None;

    bool isValid() const { return !image.isNull(); }
};

class LMRImageSource
{
public:
    // Silences the decoder libraries and prepares the ones that are not safe to initialise
    // lazily from several threads at once. Call once on the main thread, before any worker
    // thread decodes.
    static void initialize();

    // For a thread that decodes one file after another (a thumbnail worker): each decode of a
    // heap-sized picture is kept for the next one of the same size and format, which is read
    // into the same memory. Freed instead, its room is split by the thumbnail kept from it, and
    // the next decode moves on into memory never touched: a page fault for every 4 KB.
    static void keepDecodeBuffersOnThisThread();

    // The MIME types a decoder here reads: the thumbnail list keeps only files of these types.
    static QStringList readableMimeTypes();
    static bool canRead(const QString &mimeType);

    // Opens a file. The hint picks the decoder; when that decoder rejects the header, the
    // file's content names the decoder instead (a PNG saved as .jpg opens as the PNG it is).
    // A hint that names no image decoder (a video, an unknown type) gives a source that
    // answers nothing, so that the caller can go on to the video decoder. Null for unreadable
    // files and for files no decoder here takes.
    static std::unique_ptr<LMRImageSource> open(const QString &path, const QString &mimeHint);

    // Decodes the whole file: first with the hint's decoder, then with the decoder its content
    // names, so that a PNG saved under a .jpg name still shows. Invalid when neither can, with
    // failure TooLarge when the file declares more pixels than may be decoded.
    static LMRImage decodeFile(const QString &path, const QString &mimeHint);

    // What one decode may hold in memory: a quarter of physical memory, at most 2 GiB (the
    // share the thumbnail cache may take too). Qt's image readers get it as their allocation
    // limit. Setting it (tests, the benchmark) applies to decodes started afterwards.
    static qint64 decodeByteBudget();
    static void setDecodeByteBudget(qint64 bytes);
    // The most pixels a picture may declare and still be decoded by a decoder that holds
    // bytesPerPixel bytes for each pixel at its peak: what the budget holds, never above 2^29.
    static qint64 pixelLimit(double bytesPerPixel);

    virtual ~LMRImageSource();

    // Pixel size of the first image from the header; empty when the header does not say.
    virtual QSize pixelSize() { return {}; }
    // The embedded preview, oriented, no larger than maxPixelSize on its longer side (smaller
    // previews are returned as stored); null when the file has none that decodes.
    virtual QImage embeddedPreview(int maxPixelSize) { Q_UNUSED(maxPixelSize); return {}; }
    // A thumbnail from the full image, oriented, no larger than maxPixelSize on its longer side
    // and never enlarged (vector sources are rendered at that size); null on failure.
    virtual QImage thumbnail(int maxPixelSize) { Q_UNUSED(maxPixelSize); return {}; }
    // The whole first image, oriented.
    virtual LMRImage fullImage() { return {}; }

    QString path() const { return m_path; }
    // Whether the file declares more pixels than may be decoded: thumbnail and fullImage then
    // answer nothing, and one line has been logged.
    bool isTooLarge() const { return m_tooLarge; }

protected:
    explicit LMRImageSource(const QString &path) : m_path(path) {}

    // Whether the declared size may be decoded by a decoder needing bytesPerPixel at its peak;
    // otherwise marks the source too large, logging that once. An unknown size is admitted:
    // the decoder's own allocation limit is then the guard.
    bool admitDeclaredSize(QSize declared, double bytesPerPixel);
    void refuseAsTooLarge(QSize declared, qint64 limit);

private:
    QString m_path;
    bool m_tooLarge = false;
};
