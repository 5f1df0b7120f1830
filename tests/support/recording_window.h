#pragma once
// A window that answers from its fields and records what the run asked of it.
#include "engine/window_operations.h"

#include <atomic>
#include <string>
#include <vector>

namespace lumicomb::test {

class RecordingWindow : public WindowOperations {
public:
  int blendOption = 0;
  std::string divisor = "1";
  std::string limit = "5";
  /// Throws a Cancelled error from the yield after this many rows (-1: never).
  int64_t cancelAfterYields = -1;

  std::vector<int64_t> progressValues;
  std::vector<bool> visibility;
  double progressMaximum = -1;
  int64_t yields = 0;
  std::vector<std::string> messages;
  int drawings = 0;

  int selectedBlendOption() override { return blendOption; }
  std::string divisorText() override { return divisor; }
  std::string limitText() override { return limit; }
  void setProgressVisible(bool visible) override { visibility.push_back(visible); }
  void setProgressMaximum(double maximum) override { progressMaximum = maximum; }
  void setProgressValue(int64_t value) override { progressValues.push_back(value); }
  void yield() override;
  void showMessage(const std::string &message) override { messages.push_back(message); }
  void drawResult(const FIBITMAP *) override { ++drawings; }
};

} // namespace lumicomb::test
