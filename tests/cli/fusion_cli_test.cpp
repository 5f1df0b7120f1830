// The options of "sharpest" and "exposure-fusion" on the command line of the built lumicomb-cli.
#include "support/focus_stacks.h"
#include "support/run_program.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumicomb::test {
namespace {

class FusionCliTest : public ::testing::Test {
protected:
  FusionCliTest() {
    for (size_t k = 0; k < 3; ++k) {
      m_images.push_back(m_dir.file("frame" + std::to_string(k + 1) + ".png"));
      writePicture(exposed(sharpPicture(landscapeScene(48, 32)), 2.0 * k - 1), m_images.back(),
                   FIF_PNG);
    }
  }

  RunResult run(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), LUMICOMB_CLI_PATH);
    arguments.insert(arguments.end(), {"-o", result()});
    arguments.insert(arguments.end(), m_images.begin(), m_images.end());
    return runProgram(arguments, {"XDG_CONFIG_HOME=" + m_dir.file("config"), "LC_ALL=C.UTF-8"}, {});
  }

  std::string result() const { return m_dir.file("result.png"); }

  TempDir m_dir;
  std::vector<std::string> m_images;
};

TEST_F(FusionCliTest, TheRulesTakeTheirOptions) {
  const std::vector<std::vector<std::string>> runs = {
      {"-r", "sharpest"},
      {"-r", "9", "--focus-method", "depth-map", "--activity-window", "3", "--no-consistency"},
      {"-r", "exposure-fusion", "--depth", "16"},
      {"-r", "11", "--exposure-weight", "0.5", "--saturation-weight", "0", "--contrast-weight",
       "1"},
  };
  for (const std::vector<std::string> &arguments : runs) {
    SCOPED_TRACE(arguments[1] + " " + std::to_string(arguments.size()));
    std::filesystem::remove(result());
    const RunResult outcome = run(arguments);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(readPicture(result()).width, 48);
  }
}

TEST_F(FusionCliTest, AValueOutOfRangeIsMisuseNamingIt) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> misuses = {
      {{"--focus-method", "blur"}, "unknown focus method \"blur\" (use pyramid | depth-map)"},
      {{"--activity-window", "4"}, "activity window \"4\" is not an odd number of 1-15"},
      {{"--activity-window", "17"}, "activity window \"17\" is not an odd number of 1-15"},
      {{"--exposure-weight", "1.5"}, "exposure weight \"1.5\" is not 0-1"},
      {{"--saturation-weight", "-0.1"}, "saturation weight \"-0.1\" is not 0-1"},
      {{"--contrast-weight", "a"}, "contrast weight \"a\" is not 0-1"},
      {{"--exposure-weight", "0", "--saturation-weight", "0"},
       "the exposure, saturation and contrast weights are all 0"},
  };
  for (const auto &[arguments, message] : misuses) {
    SCOPED_TRACE(message);
    const RunResult outcome = run(arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.err.starts_with("lumicomb-cli: " + message + "\n")) << outcome.err;
    EXPECT_FALSE(std::filesystem::exists(result()));
  }
}

} // namespace
} // namespace lumicomb::test
