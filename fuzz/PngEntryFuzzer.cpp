// The shared thumbnail cache's reader of plain 8-bit PNG entries fed arbitrary bytes: other
// programs write that cache, so an entry is hostile input.

#include "platform/PngEntryReader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    LMRPngEntryReader::read(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), 4096);
    return 0;
}
