#pragma once
// The program's own pool for short jobs off the main thread: warm-ups at launch, GStreamer's
// set-up, animation frames. Not Qt's global pool: Qt's image code splits the smooth scaling and
// format conversion of a large picture over that pool's threads and waits for them, so a job
// of ours holding them would hold up every such scaling, on a worker or on the main thread.
// Jobs still running when the application object goes are waited for, as Qt does for its own.

class QThreadPool;

namespace LMRBackgroundTasks {

QThreadPool &pool();

} // namespace LMRBackgroundTasks
