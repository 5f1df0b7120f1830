#pragma once
// The window operations of a blend run, answered from the command line and a terminal bar.
#include "cli/cli_options.h"
#include "cli/terminal_progress.h"
#include "engine/window_operations.h"

namespace lumicomb::cli {

class CliWindow : public WindowOperations {
public:
  CliWindow(const CliOptions &options, TerminalProgress &progress);

  int selectedBlendOption() override;
  std::string divisorText() override;
  std::string limitText() override;
  void setProgressVisible(bool visible) override;
  void setProgressMaximum(double maximum) override;
  void setProgressValue(int64_t value) override;
  /// Throws a Cancelled error once SIGINT or SIGTERM has come.
  void yield() override;
  bool cancelRequested() override;
  void showMessage(const std::string &message) override;
  void drawResult(const FIBITMAP *) override {}

private:
  const CliOptions &m_options;
  TerminalProgress &m_progress;
};

} // namespace lumicomb::cli
