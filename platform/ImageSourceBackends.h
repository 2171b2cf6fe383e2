#pragma once
// What the decoder files of the image source share: the table entry each backend contributes,
// and the small helpers (orientation, fitting, the JPEG decoder) more than one of them uses.
// Private to platform/.

#include "platform/ImageSource.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

namespace lmrimage {

using Opener = std::unique_ptr<LMRImageSource> (*)(const QString &path, const QString &mimeType);

struct Backend
{
    QStringList mimeTypes;
    Opener open = nullptr;
};

// Each returns an empty backend when its library was not built in.
Backend jpegBackend();
Backend heifBackend();
Backend jxlBackend();
Backend rawBackend();
Backend pdfBackend();
Backend qtBackend();     // whatever Qt's image readers and plugins read; consulted last

// The source of a file whose decoder refused its size before it could tell it: it answers no
// size, and refuses (logging once) when asked for pixels.
std::unique_ptr<LMRImageSource> refusedSource(const QString &path);

// One-time set-up of the libraries that need it (called by LMRImageSource::initialize).
void initializeExiv2();
void initializeHeif();
void initializeRaw();
void initializePdf();

// The size that fits within maxPixelSize x maxPixelSize with the proportions kept; never larger
// than size unless enlarge is set. At least 1 x 1.
QSize fittedSize(QSize size, int maxPixelSize, bool enlarge = false);
// Scales down (smoothly) so the longer side is at most maxPixelSize; smaller images unchanged.
QImage scaledToFit(QImage image, int maxPixelSize);
// The decoded image in a format every drawing path renders in its true colours (see the
// definition for which formats are converted and why).
QImage displayable(QImage image);
// Applies an EXIF orientation (1-8) to stored pixels; other values leave the image alone.
QImage applyOrientation(QImage image, int orientation);
inline bool orientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }
// The orientation tag of a TIFF-structured EXIF block (after the "Exif\0\0" header); 1 if absent.
int exifOrientation(const uchar *tiff, qsizetype length);

// JPEG decoding from memory at the smallest DCT scale that still covers maxPixelSize (0: whole
// image), then scaled to fit. A file that ends early is a failure, not a grey image. Orientation
// is NOT applied here; *orientation (if given) receives the file's EXIF orientation. Colours are
// left as stored; *iccProfile (if given) receives the embedded profile (APP2), empty if none. A
// picture declaring more pixels than the limit, or needing more memory than the budget, is not
// decoded and sets *tooLarge (if given).
QImage decodeJpeg(const QByteArray &data, int maxPixelSize, int *orientation = nullptr,
                  QByteArray *iccProfile = nullptr, bool *tooLarge = nullptr);
// The embedded ICC profile of a JPEG file, from its header; empty if none.
QByteArray jpegIccProfile(const QString &path);
// Any embedded preview's bytes (JPEG, TIFF, ...) decoded and fitted, in the output colour space
// when the preview carries a profile of its own; null if they do not decode.
QImage decodePreviewBytes(const QByteArray &data, int maxPixelSize);

// exiv2: the EXIF thumbnail of a JPEG, TIFF or HEIF file, oriented by the file's orientation
// and fitted; null when there is none or it does not decode.
QImage exifThumbnail(const QString &path, int maxPixelSize);
// exiv2: the best embedded preview of a camera RAW file for maxPixelSize: the smallest that
// covers it, else the largest; previews whose bytes do not decode are skipped.
QImage rawPreview(const QString &path, int maxPixelSize);

} // namespace lmrimage
