#pragma once
// Colour management of decoded pictures. Every decoder hands its pixels here with the colour
// description the file carried (an ICC profile, or the colour space Qt's reader attached), and
// gets them back in the output colour space: the display's profile when the desktop publishes
// one, sRGB otherwise. A picture without a description is taken as sRGB; with sRGB as the output
// it is left exactly as decoded.
//
// Transforms are made once per source profile and output and kept; converting is safe from
// any thread. It does not watch the display: whoever learns the display's profile sets it here
// (see LMRDisplayColorProfile) and then has what is on screen decoded again.

#include <QByteArray>
#include <QImage>

class QColorSpace;

namespace LMRColorManagement {

// The display's ICC profile; empty for sRGB. Transforms for the previous output are dropped.
// Pictures decoded before the call keep the colours they were converted to.
void setDisplayProfile(const QByteArray &iccProfile);
QByteArray displayProfile();

// Whether the ICC profile can be used as a source here (parses, describes RGB or grey).
bool isUsableProfile(const QByteArray &iccProfile);

// The pixels, described by iccProfile (empty: untagged, taken as sRGB), converted to the
// output. Images of any format are accepted; the result may have another format (8-bit images
// stay 8-bit, deeper ones keep their depth). A profile that cannot be used leaves the pixels.
QImage convertToOutput(QImage image, const QByteArray &iccProfile);
// The same for an image whose colour space Qt's reader attached (image.colorSpace()).
QImage convertToOutput(QImage image);

// An ICC profile for a colour description given as CIE xy chromaticities of the primaries and
// white point and an ITU-T H.273 transfer characteristic (the "nclx" of HEIF and AVIF). Empty
// when the transfer is not one a display-referred profile can express (PQ, HLG).
QByteArray profileFromChromaticities(const double primaries[6], const double white[2], int transfer);

} // namespace LMRColorManagement
