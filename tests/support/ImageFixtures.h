#pragma once
// Picture files made on the fly for the tests, with the encoders of the libraries the program
// links (exiv2, libheif, libjxl) and, for video, the ffmpeg tool. Each maker returns false when
// its encoder is missing here, and the test skips.

#include "model/FileSystemImageItem.h"

#include <QColor>
#include <QImage>
#include <QMutex>
#include <QString>
#include <QStringList>

namespace lmrimages {

// Thumbnails of one size, for loading an item's thumbnail without a grid.
struct Grid : LMRThumbnailSizeSource
{
    explicit Grid(qint64 size) : size(size) {}
    qint64 itemSize() const override { return size; }
    qint64 size;
};

// The program's log lines (from any thread) while one lives; other messages go on as before.
class LogLines
{
public:
    LogLines();
    ~LogLines();
    QStringList matching(const QString &fragment = {}) const;
    int count() const { return int(matching().size()); }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
    mutable QMutex m_lock;
    QStringList m_lines;
    QtMessageHandler m_previous;
};

QImage filled(QSize size, const QColor &colour, QImage::Format format = QImage::Format_RGB32);
// The image as a file of the given format would hold it.
QByteArray encoded(const QImage &image, const char *format, int quality = -1);
// The picture in a file of the format its suffix names: what Qt writes, HEIF or AVIF, JPEG XL,
// a DNG (of the image's top-left colour) or a video (the fixed clip of writeVideo).
bool writeSample(const QString &path, const QImage &image);

// Four coloured quadrants (red, green / blue, yellow), so that every rotation and mirror shows.
QImage quadrants(int width, int height);
// The colour at the centre of each quadrant of an image (top-left, top-right, bottom-left,
// bottom-right), for comparing orientations.
struct Corners { QColor tl, tr, bl, br; };
Corners cornersOf(const QImage &image, QRect area = {});
bool similar(const QColor &a, const QColor &b, int tolerance = 40);
bool similar(const Corners &a, const Corners &b);

// The stored pixels whose display under EXIF orientation n is `upright`.
QImage storedForOrientation(const QImage &upright, int orientation);

// A JPEG with an EXIF block carrying the orientation and, when given, an embedded thumbnail.
bool writeJpegWithExif(const QString &path, const QImage &stored, int orientation,
                       const QImage &embeddedThumbnail = {});
// HEIF or AVIF, and JPEG XL; with an ICC profile the pixels are stored as given and the
// profile describes them (JPEG XL losslessly, so that they come back exactly). HEIF can instead
// describe them by an nclx box with H.273 colour primaries and the sRGB transfer curve.
bool writeHeif(const QString &path, const QImage &image, bool avif, const QByteArray &iccProfile = {},
               int nclxPrimaries = 0);
bool writeJxl(const QString &path, const QImage &stored, const QByteArray &iccProfile = {});
// A one-page PDF of the given size in points, the image filling it.
bool writePdf(const QString &path, QSizeF points, const QImage &image);
// Four seconds: audio first, then a 320 x 240 video (red for 2 s, then blue), then a second,
// 64 x 48 green video stream. Every frame is a key frame.
bool writeVideo(const QString &path);
// A DNG: 128 x 96 Bayer data and, in IFD0, a 64 x 48 RGB preview of the given colour.
bool writeDng(const QString &path, const QColor &previewColor);

// Files written byte by byte, for what Qt's writers do not make.
//
// One PNG chunk: length, type, data and checksum.
QByteArray pngChunk(const char *type, const QByteArray &data);
// A PNG of any bit depth and colour type (0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA)
// whose rows hold the channel values `left` in their left half and `right` in their right half
// (palette indices for type 3).
QByteArray pngBytes(QSize size, int bitDepth, int colourType, const QList<int> &left, const QList<int> &right,
                    const QList<QRgb> &palette = {});
// An 8-bit TIFF of one colour, RGB or with a palette, in one deflated strip: a large picture
// in little space (a palette's pixels take a third of RGB's).
QByteArray tiffBytes(QSize size, QRgb colour, bool palette);
// The header of a baseline (or progressive) colour JPEG declaring the size, with the start of
// its scan and no data after it: a hostile file, or one cut short right after its header.
QByteArray jpegHeaderBytes(QSize declared, bool progressive = false);
// A one-page PDF of any media box (in points) filled with a colour.
QByteArray pdfBytes(QSizeF mediaBox, const QColor &fill);
// An SVG of the given width and height attributes (no viewBox) filled with a colour.
QByteArray svgBytes(const QString &width, const QString &height, const QColor &fill);
// A HEIF or AVIF whose image declares `declared` pixels over a small coded picture.
bool writeHeifDeclaring(const QString &path, QSize declared, bool avif);
// A JPEG XL of `declared` pixels whose one frame is a small crop: the decoder must fill the
// whole canvas from a file of a few hundred bytes.
bool writeJxlCanvas(const QString &path, QSize declared);

} // namespace lmrimages
