#include "app/progress_text.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

using namespace std::chrono_literals;

TEST(ProgressText, SaysThePhaseItsCountAndOnceSettledTheTimeLeft) {
  struct Case {
    RunPhase phase;
    double maximum;
    int64_t value;
    std::chrono::milliseconds elapsed;
    const char *text;
  };
  const Case cases[] = {
      {{"fitting", 11}, 11, 4, 800ms, "fitting 4/11"}, // too soon to tell the time left
      {{"blending", 11}, 0, 0, 5s, "blending 0/11"},   // no maximum yet
      {{"blending", 11}, 1000, 700, 7s, "blending 7/11  0:03 left"},
      {{"blending", 11}, 1000, 90, 1s, "blending 0/11  0:10 left"},
      {{"blending", 4}, 300, 299, 60s, "blending 3/4  0:01 left"}, // never "0:00 left"
      {{"blending", 11}, 1000, 1000, 9s, "blending 11/11"},
      {{"blending", 11}, 1000, 1200, 9s, "blending 11/11"}, // a value past the maximum
      {{"fitting", 3}, 3, 2, 2min, "fitting 2/3  1:00 left"},
      {{"darks", 40}, 40, 10, 1h, "darks 10/40  3:00:00 left"},
      {{"saving", 0}, 1, 0, 3s, "saving"},
  };
  const ProgressText::Clock::time_point start{};
  for (const Case &c : cases) {
    ProgressText text;
    text.startPhase(c.phase, start);
    text.setMaximum(c.maximum);
    text.setValue(c.value);
    EXPECT_EQ(text.text(start + c.elapsed), c.text);
  }
}

TEST(ProgressText, ClockTextRoundsToWholeSecondsAndShowsHoursFromAnHourOn) {
  const std::pair<std::chrono::milliseconds, const char *> cases[] = {
      {0ms, "0:00"},      {1400ms, "0:01"},   {59600ms, "1:00"},   {61s, "1:01"}, {3599s, "59:59"},
      {3600s, "1:00:00"}, {3725s, "1:02:05"}, {100h, "100:00:00"}, {-5s, "0:00"},
  };
  for (const auto &[time, text] : cases)
    EXPECT_EQ(clockText(time), text) << time.count();
}

} // namespace
} // namespace lumicomb
