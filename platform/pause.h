#pragma once
// A blocking wait on the calling thread: nothing else runs on that thread meanwhile,
// and no events are processed.

namespace platform {

void pauseMilliseconds(int milliseconds);

}  // namespace platform
