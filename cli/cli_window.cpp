#include "cli/cli_window.h"

#include "cli/stop_signals.h"
#include "engine/errors.h"

#include <iostream>

namespace lumicomb::cli {

CliWindow::CliWindow(const CliOptions &options, TerminalProgress &progress)
    : m_options(options), m_progress(progress) {}

int CliWindow::selectedBlendOption() { return m_options.blendOption; }
std::string CliWindow::divisorText() { return m_options.divisorText; }
std::string CliWindow::limitText() { return m_options.limitText; }
void CliWindow::setProgressVisible(bool visible) { m_progress.setVisible(visible); }
void CliWindow::setProgressMaximum(double maximum) { m_progress.setMaximum(maximum); }
void CliWindow::setProgressValue(int64_t value) { m_progress.setValue(value); }

void CliWindow::yield() {
  if (cancelRequested())
    throw LumicombError(ErrorKind::Cancelled, "cancelled");
}

bool CliWindow::cancelRequested() { return stopSignal() != 0; }

void CliWindow::showMessage(const std::string &message) {
  m_progress.setVisible(false);
  std::cerr << "lumicomb-cli: " << oneLine(message) << "\n";
}

} // namespace lumicomb::cli
