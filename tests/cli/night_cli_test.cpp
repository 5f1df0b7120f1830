// The night-sky options of lumicomb-cli: "Comet trails" and its half-life.
#include "cli/night_cli_fixture.h"

namespace lumicomb::test {
namespace {

TEST_F(NightCliTest, CometFadesByTheHalfLifeGivenAndRefusesABadOneAsMisuse) {
  const std::vector<Picture> stack = randomStack(5, 9, 6, 41);
  const std::vector<std::string> images = writeStack(stack);
  EXPECT_EQ(blend({"-r", "comet"}, images), referenceComet(stack, 10));
  EXPECT_EQ(blend({"-r", "comet", "--half-life", "1.5"}, images), referenceComet(stack, 1.5));
  for (const std::string text : {"0", "-2", "soon"}) {
    const RunResult refused =
        run({"-r", "comet", "--half-life", text, "-o", output("x.png"), images[0]});
    EXPECT_EQ(refused.exitCode, 2) << text;
    EXPECT_NE(refused.err.find("half-life \"" + text + "\" is not a positive number"),
              std::string::npos)
        << refused.err;
  }
  EXPECT_FALSE(std::filesystem::exists(output("x.png")));
}

} // namespace
} // namespace lumicomb::test
