#pragma once

namespace LMRPlaybackBackend {

// Sets the media framework up on a worker thread, once per process, so that the first player
// does not do it on the main thread. Returns at once; harmless to call again.
void prepare();

} // namespace LMRPlaybackBackend
