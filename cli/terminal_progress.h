#pragma once
// A one-line progress bar on stderr, drawn only when stderr is a terminal: the bar, the phase,
// its count and the time left, "lumicomb-cli [#####...]  63%  blending 7/11  0:03 left".
#include "app/progress_text.h"

#include <cstdint>
#include <string>

namespace lumicomb::cli {

class TerminalProgress {
public:
  explicit TerminalProgress(bool enabled);
  ~TerminalProgress();

  void setVisible(bool visible);
  void setPhase(const RunPhase &phase);
  void setMaximum(double maximum);
  void setValue(int64_t value);
  /// Clears the bar's line, so that a message can take it; the bar comes back at the next value.
  void clearLine();

private:
  void draw();

  bool m_enabled;
  bool m_visible = false;
  ProgressText m_text;
  std::string m_shownLine;
  int m_shownPercent = -1;
  ProgressText::Clock::time_point m_drawnAt{};
};

} // namespace lumicomb::cli
