// The video frame grab fed arbitrary bytes: the container's duration, the first video stream's
// size and the frame at half the duration, as the thumbnail renderer asks for them.

#include "platform/VideoSource.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <unistd.h>

namespace {
QString g_path;
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    g_path = QDir::temp().filePath(QStringLiteral("lumory-fuzz-video-%1").arg(::getpid()));
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
    if (auto asset = LMRVideoAsset::open(g_path, QStringLiteral("video/mp4"))) {
        const LMRMediaTime duration = asset->duration();
        asset->firstVideoTrackSize();
        asset->frameAtTime(duration.halved(), 96);
    }
    return 0;
}
