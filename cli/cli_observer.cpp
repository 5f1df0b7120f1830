#include "cli/cli_observer.h"

#include "base/errors.h"
#include "cli/stop_signals.h"

namespace lumicomb::cli {

void CliObserver::yield() {
  if (cancelRequested())
    throw LumicombError(ErrorKind::Cancelled, "cancelled");
}

bool CliObserver::cancelRequested() { return stopSignal() != 0; }

} // namespace lumicomb::cli
