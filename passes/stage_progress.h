#pragma once
// How a stage of a run reports itself: one object names its phase and counts its frames on the
// observer, and serialises the progress and yields of the threads working in it.
#include "passes/run_observer.h"

#include <mutex>
#include <string>

namespace lumicomb {

/// Shows the progress indicator for its lifetime, and hides it however the work ends.
class ProgressShown {
public:
  explicit ProgressShown(RunObserver &observer) : m_observer(observer) {
    m_observer.setProgressVisible(true);
  }
  ~ProgressShown() { m_observer.setProgressVisible(false); }
  ProgressShown(const ProgressShown &) = delete;
  ProgressShown &operator=(const ProgressShown &) = delete;

private:
  RunObserver &m_observer;
};

/// A stage counted in frames: the phase begins with the object, at 0 of `frames`.
class StageProgress {
public:
  StageProgress(RunObserver &observer, std::string phase, int64_t frames);

  /// One more frame done; then yields.
  void frameDone();
  /// Yields between frames, from any thread.
  void yield();

private:
  RunObserver &m_observer;
  std::mutex m_mutex;
  int64_t m_done = 0;
};

} // namespace lumicomb
