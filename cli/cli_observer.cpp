#include "cli/cli_observer.h"

#include "base/errors.h"
#include "cli/stop_signals.h"

#include <iostream>

namespace lumicomb::cli {

void CliObserver::yield() {
  if (cancelRequested())
    throw LumicombError(ErrorKind::Cancelled, "cancelled");
}

bool CliObserver::cancelRequested() { return stopSignal() != 0; }

void CliObserver::warn(const std::string &message) {
  m_progress.clearLine();
  std::cerr << "lumicomb-cli: warning: " << oneLine(message) << "\n";
}

void CliObserver::note(const std::string &message) {
  m_progress.clearLine();
  std::cerr << "lumicomb-cli: " << oneLine(message) << "\n";
}

} // namespace lumicomb::cli
