#pragma once
// An observer that records what a run told it, and can stop the run at a chosen yield.
#include "passes/run_observer.h"

#include <string>
#include <vector>

namespace lumicomb::test {

class RecordingObserver : public RunObserver {
public:
  /// Throws a Cancelled error from the yield after this many rows, and every yield after that
  /// (-1: never).
  int64_t cancelAfterYields = -1;

  std::vector<int64_t> progressValues;
  std::vector<bool> visibility;
  double progressMaximum = -1;
  int64_t yields = 0;
  std::vector<std::string> warnings;
  /// For each phase in turn, its counts as they changed: "fitting 0/5", "fitting 1/5", ...
  std::vector<std::vector<std::string>> phaseCounts;

  void setProgressVisible(bool visible) override { visibility.push_back(visible); }
  void setPhase(const RunPhase &phase) override;
  void setProgressMaximum(double maximum) override { progressMaximum = maximum; }
  void setProgressValue(int64_t value) override;
  void yield() override;
  bool cancelRequested() override { return cancelAfterYields >= 0 && yields >= cancelAfterYields; }
  void warn(const std::string &message) override { warnings.push_back(message); }

private:
  void noteCount(int64_t value);

  RunPhase m_phase;
};

} // namespace lumicomb::test
