#include "support/recording_observer.h"

#include "base/errors.h"

namespace lumicomb::test {

void RecordingObserver::yield() {
  if (cancelRequested())
    throw LumicombError(ErrorKind::Cancelled, "the blend was cancelled");
  ++yields;
}

} // namespace lumicomb::test
