// GStreamer's headers come before any Qt header (GLib's names clash with Qt's macros); this file
// therefore does without the precompiled Qt headers.
#if defined(LUMORY_HAVE_GSTREAMER)
#include <gst/gst.h>
#endif

#include "platform/PlaybackBackend.h"
#include "support/BackgroundTasks.h"

#include <QThreadPool>

#include <mutex>

namespace LMRPlaybackBackend {

void prepare()
{
#if defined(LUMORY_HAVE_GSTREAMER)
    // Qt Multimedia initialises GStreamer when it makes its first player, on the main thread:
    // 30-50 ms with the plugin registry at hand, half a second on a first run, when the registry
    // is built. Initialising it is thread-safe and done only once, so the player finds it ready.
    static std::once_flag once;
    std::call_once(once, [] { LMRBackgroundTasks::pool().start([] { gst_init(nullptr, nullptr); }); });
#endif
}

} // namespace LMRPlaybackBackend
