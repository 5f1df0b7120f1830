#pragma once
// A one-line progress bar on stderr, drawn only when stderr is a terminal.
#include <cstdint>

namespace lumicomb::cli {

class TerminalProgress {
public:
  explicit TerminalProgress(bool enabled);
  ~TerminalProgress();

  void setVisible(bool visible);
  void setMaximum(double maximum);
  void setValue(int64_t value);
  /// Clears the bar's line, so that a message can take it; the bar comes back at the next value.
  void clearLine();

private:
  bool m_enabled;
  bool m_visible = false;
  double m_maximum = 0;
  int m_shownPercent = -1;
};

} // namespace lumicomb::cli
