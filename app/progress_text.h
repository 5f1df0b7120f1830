#pragma once
// What a progress indicator says of a run: the phase, the frames done of its count, and, once
// the phase has run long enough to tell, an estimate of its time left: "blending 7/11  0:03 left".
#include "passes/run_observer.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace lumicomb {

class ProgressText {
public:
  using Clock = std::chrono::steady_clock;

  /// The phase begins at `now`, at 0 of no maximum yet.
  void startPhase(const RunPhase &phase, Clock::time_point now);
  void setMaximum(double maximum);
  void setValue(int64_t value);

  const RunPhase &phase() const { return m_phase; }
  /// The share of the phase done, 0 to 1.
  double fraction() const;
  /// The phase and its count, and the time left once it can be told.
  std::string text(Clock::time_point now) const;

private:
  RunPhase m_phase;
  Clock::time_point m_start{};
  double m_maximum = 0;
  int64_t m_value = 0;
};

/// A time as "m:ss", or "h:mm:ss" from an hour on, rounded to whole seconds.
std::string clockText(std::chrono::steady_clock::duration time);

} // namespace lumicomb
