#pragma once
// Reads the PNGs of the shared thumbnail cache that are in the form nearly every thumbnailer
// writes them (8 bits a channel, RGB or RGBA, not interlaced, no colour space or transparent
// colour) with libdeflate, which inflates about two and a half times as fast as the zlib under
// Qt's reader: a second visit to a folder is mostly the reading of these files. Anything else,
// and every build without libdeflate, is left to Qt's reader.

#include <QByteArrayView>
#include <QImage>

namespace LMRPngEntryReader {

// The picture (RGB32, or ARGB32 with alpha), or a null image when the file is not in that form
// or is damaged: the caller then tries Qt's reader, which tells the two apart. Either side over
// largestSide is refused before anything is allocated. The bytes are hostile input.
QImage read(QByteArrayView png, int largestSide);

} // namespace LMRPngEntryReader
