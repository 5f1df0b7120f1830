#include "base/errors.h"
#include "base/numbers.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(roundHalfEven(0.5), 0);
  EXPECT_EQ(roundHalfEven(1.5), 2);
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(3.5), 4);
  EXPECT_EQ(roundHalfEven(127.5), 128);
  EXPECT_EQ(roundHalfEven(254.5), 254);
  EXPECT_EQ(roundHalfEven(-2.5), -2);
  EXPECT_EQ(roundHalfEven(32767.5), 32768);
}

TEST(RoundHalfEven, EverythingElseGoesToTheNearest) {
  EXPECT_EQ(roundHalfEven(2.4999999), 2);
  EXPECT_EQ(roundHalfEven(2.5000001), 3);
  EXPECT_EQ(roundHalfEven(266.666), 267);
  EXPECT_EQ(roundHalfEven(-1.6), -2);
  EXPECT_EQ(roundHalfEven(7.0), 7);
}

TEST(RoundedSample, RoundsHalvesToEvenAndHoldsToTheRange) {
  const std::vector<std::pair<float, int32_t>> cases = {
      {0.5f, 0},  {1.5f, 2}, {2.5f, 2},  {254.5f, 254}, {254.51f, 255},
      {300, 255}, {-3, 0},   {-0.4f, 0}, {NAN, 0},      {65534.5f, 65534}};
  for (const auto &[value, sample] : cases)
    EXPECT_EQ(roundedSample(value, value > 1000 ? 65535.0f : 255.0f), sample) << value;
}

TEST(clampByte, KeepsBytesAndLimitsTheRestTo255) {
  EXPECT_EQ(clampByte(0), 0);
  EXPECT_EQ(clampByte(254), 254);
  EXPECT_EQ(clampByte(255), 255);
  EXPECT_EQ(clampByte(300), 255);
  EXPECT_EQ(clampByte(1'000'000), 255);
  EXPECT_THROW(clampByte(-1), LumicombError);
}

TEST(CheckedRange, NamesTheValueThatIsOutOfRange) {
  EXPECT_EQ(checkedRange(5, 0, 10, "count"), 5);
  try {
    checkedRange(11, 0, 10, "count");
    FAIL();
  } catch (const LumicombError &error) {
    EXPECT_EQ(error.kind(), ErrorKind::OutOfRange);
    EXPECT_STREQ(error.what(), "count 11 is outside 0-10");
  }
}

TEST(minOf, TakesTheSmaller) {
  EXPECT_EQ(minOf(3, 5), 3);
  EXPECT_EQ(minOf(5, 3), 3);
  EXPECT_EQ(minOf(-2, -2), -2);
}

} // namespace
} // namespace lumicomb
