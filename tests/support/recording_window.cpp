#include "support/recording_window.h"

#include "engine/errors.h"

namespace lumicomb::test {

void RecordingWindow::yield() {
  if (cancelAfterYields >= 0 && yields >= cancelAfterYields)
    throw LumicombError(ErrorKind::Cancelled, "the blend was cancelled");
  ++yields;
}

} // namespace lumicomb::test
