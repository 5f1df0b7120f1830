#include "app/number_text.h"
#include "base/errors.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

TEST(Divisor, RoundsHalfToEvenAndIgnoresSurroundingSpaces) {
  EXPECT_EQ(parseDivisor("1"), 1);
  EXPECT_EQ(parseDivisor("2.5"), 2);
  EXPECT_EQ(parseDivisor("2.6"), 3);
  EXPECT_EQ(parseDivisor("3.5"), 4);
  EXPECT_EQ(parseDivisor(" 4 "), 4);
  EXPECT_EQ(parseDivisor("255.4"), 255);
}

void expectRefused(const std::string &text, ErrorKind kind, const std::string &message) {
  try {
    parseDivisor(text);
    ADD_FAILURE() << "accepted \"" << text << "\"";
  } catch (const LumicombError &error) {
    EXPECT_EQ(error.kind(), kind) << text;
    EXPECT_EQ(error.what(), message);
  }
}

TEST(Divisor, RefusesTextThatIsNotAUsableDivisorAndQuotesIt) {
  expectRefused("abc", ErrorKind::TypeMismatch, "divisor \"abc\" is not a number");
  expectRefused("", ErrorKind::TypeMismatch, "divisor \"\" is not a number");
  expectRefused("4x", ErrorKind::TypeMismatch, "divisor \"4x\" is not a number");
  expectRefused("nan", ErrorKind::TypeMismatch, "divisor \"nan\" is not a number");
  expectRefused("-1", ErrorKind::OutOfRange, "divisor \"-1\" is outside 0-255");
  expectRefused("256", ErrorKind::OutOfRange, "divisor \"256\" is outside 0-255");
  expectRefused("255.5", ErrorKind::OutOfRange, "divisor \"255.5\" is outside 0-255");
  expectRefused("1e300", ErrorKind::OutOfRange, "divisor \"1e300\" is outside 0-255");
  expectRefused("0", ErrorKind::OutOfRange, "divisor \"0\" rounds to 0");
  expectRefused("0.5", ErrorKind::OutOfRange, "divisor \"0.5\" rounds to 0");
}

TEST(BoxByte, AcceptsZeroWhereTheBoxAllowsIt) {
  EXPECT_EQ(parseBoxByte("0", "limit"), 0);
  EXPECT_EQ(parseBoxByte("-0.4", "limit"), 0);
  EXPECT_EQ(parseBoxByte("255", "limit"), 255);
  EXPECT_THROW(parseBoxByte("-0.6", "limit"), LumicombError);
}

TEST(Limit, RefusesTextThatIsNotALimitAndQuotesIt) {
  for (const std::string text : {"abc", "", "-1", "256"}) {
    SCOPED_TRACE(text);
    try {
      parseLimit(text);
      ADD_FAILURE() << "accepted";
    } catch (const LumicombError &error) {
      EXPECT_NE(std::string(error.what()).find("limit \"" + text + "\""), std::string::npos);
    }
  }
  EXPECT_EQ(parseLimit(" 7.5 "), 8);
}

TEST(HalfLife, TakesAnyPositiveNumberAndRefusesTheRestQuotingIt) {
  EXPECT_EQ(parseHalfLife("10"), 10);
  EXPECT_EQ(parseHalfLife(" 2.5 "), 2.5);
  EXPECT_EQ(parseHalfLife("1e300"), 1e300);
  for (const std::string text : {"abc", "", "0", "-3", "nan", "inf", "1e999"}) {
    SCOPED_TRACE(text);
    try {
      parseHalfLife(text);
      ADD_FAILURE() << "accepted";
    } catch (const LumicombError &error) {
      EXPECT_EQ(error.what(), "half-life \"" + text + "\" is not a positive number");
    }
  }
}

} // namespace
} // namespace lumicomb
