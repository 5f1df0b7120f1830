#pragma once
// What a run of lumicomb-cli shows, a terminal bar, and how it stops: SIGINT or SIGTERM.
#include "cli/terminal_progress.h"
#include "passes/run_observer.h"

namespace lumicomb::cli {

class CliObserver : public RunObserver {
public:
  explicit CliObserver(TerminalProgress &progress) : m_progress(progress) {}

  void setProgressVisible(bool visible) override { m_progress.setVisible(visible); }
  void setPhase(const RunPhase &phase) override { m_progress.setPhase(phase); }
  void setProgressMaximum(double maximum) override { m_progress.setMaximum(maximum); }
  void setProgressValue(int64_t value) override { m_progress.setValue(value); }
  /// Throws a Cancelled error once SIGINT or SIGTERM has come.
  void yield() override;
  bool cancelRequested() override;
  /// One line on stderr, the bar cleared first.
  void warn(const std::string &message) override;
  void note(const std::string &message) override;

private:
  TerminalProgress &m_progress;
};

} // namespace lumicomb::cli
