// One reader of the image source fed arbitrary bytes, called as the thumbnail renderer and the
// viewer call it: the header's size, the embedded preview, the thumbnail and the whole image.
// The file type is fixed per target (LMR_FUZZ_MIME), as an item's type picks the reader.

#include "platform/ImageSource.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdint>
#include <unistd.h>

namespace {

QString g_path;

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    qInstallMessageHandler(quiet);
    LMRImageSource::initialize();
    // Small enough that every admitted picture decodes well inside the fuzzer's memory and time
    // limits; the limits themselves are on the road of every input.
    LMRImageSource::setDecodeByteBudget(qint64(64) << 20);
    g_path = QDir::temp().filePath(QStringLiteral("lumory-fuzz-%1").arg(::getpid()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        QFile file(g_path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    if (auto source = LMRImageSource::open(g_path, QStringLiteral(LMR_FUZZ_MIME))) {
        source->pixelSize();
        source->embeddedPreview(96);
        source->thumbnail(96);
        source->fullImage();
    }
    LMRImageSource::decodeFile(g_path, QStringLiteral(LMR_FUZZ_MIME));
    return 0;
}
