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

private:
  void clearLine();

  bool m_enabled;
  bool m_visible = false;
  double m_maximum = 0;
  int m_shownPercent = -1;
};

} // namespace lumicomb::cli
