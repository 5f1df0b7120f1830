#pragma once
// What a blend run tells the one who asked for it, and how it is stopped. The desktop program
// answers with signals to its progress bar and its Cancel button, the command-line tool with a
// terminal bar and its signal flag, the tests with a recording fake.
#include <cstdint>
#include <string>

namespace lumicomb {

/// A stage of a run as the user reads it: "fitting", "blending", and the number of frames it
/// counts (0: it counts none).
struct RunPhase {
  std::string name;
  int64_t frames = 0;

  bool operator==(const RunPhase &) const = default;
};

/// The frames of `phase` done once its progress value has reached `value` of `maximum`: the
/// whole frames' share, so the count reaches the phase's only at the end.
inline int64_t framesDone(const RunPhase &phase, int64_t value, double maximum) {
  if (maximum <= 0 || value <= 0)
    return 0;
  if (static_cast<double>(value) >= maximum)
    return phase.frames;
  // The product first, so that a value counted in frames comes out exact.
  return static_cast<int64_t>(static_cast<double>(value) * static_cast<double>(phase.frames) /
                              maximum);
}

class RunObserver {
public:
  virtual ~RunObserver() = default;

  virtual void setProgressVisible(bool visible) = 0;
  /// A new phase begins: the maximum and values that follow measure it, from 0. The frames done
  /// are the share of its count the value has reached (`framesDone`). Same threading as below.
  virtual void setPhase(const RunPhase &phase) { (void)phase; }
  virtual void setProgressMaximum(double maximum) = 0;
  /// Called from the run's threads, but never two calls at once.
  virtual void setProgressValue(int64_t value) = 0;
  /// Once per source row; throws a Cancelled error to stop the run. Same threading as above.
  virtual void yield() = 0;
  /// Whether the run should stop; asked where no yield fits, such as during the writing of the
  /// result.
  virtual bool cancelRequested() { return false; }
  /// Something the user should know that does not stop the run, in one line naming the file;
  /// said once per file. Same threading as above.
  virtual void warn(const std::string &message) = 0;
  /// Something the run did that the user should hear of, such as an image left out, in one line
  /// naming the file. Same threading as above; said as a warning unless the observer says it
  /// otherwise.
  virtual void note(const std::string &message) { warn(message); }
};

} // namespace lumicomb
