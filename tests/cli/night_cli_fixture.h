#pragma once
// lumicomb-cli run as its own process on small pictures in a temporary folder, for the night-sky
// options.
#include "support/reference_blends.h"
#include "support/run_program.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace lumicomb::test {

class NightCliTest : public ::testing::Test {
protected:
  NightCliTest() {
    for (const char *folder : {"config", "in", "out"})
      std::filesystem::create_directory(m_dir.path() / folder);
  }

  /// Runs the tool with a settings store of its own and the locale pinned.
  RunResult run(const std::vector<std::string> &arguments) const {
    std::vector<std::string> words = {LUMICOMB_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return runProgram(words, {"XDG_CONFIG_HOME=" + m_dir.file("config"), "LC_ALL=C.UTF-8"}, {});
  }

  std::string input(const std::string &name) const { return m_dir.file("in/" + name); }
  std::string output(const std::string &name) const { return m_dir.file("out/" + name); }

  /// Writes the pictures as in/<stem>1.png, in/<stem>2.png ... and returns their paths.
  std::vector<std::string> writeStack(const std::vector<Picture> &pictures,
                                      const std::string &stem = "light") const {
    std::vector<std::string> paths;
    for (const Picture &picture : pictures) {
      paths.push_back(input(stem + std::to_string(paths.size() + 1) + ".png"));
      writePicture(picture, paths.back(), FIF_PNG);
    }
    return paths;
  }

  /// Runs the tool into out/result.png and returns the picture, failing the test unless it
  /// succeeded.
  Picture blend(std::vector<std::string> arguments, const std::vector<std::string> &images) {
    const std::string result = output("result.png");
    std::filesystem::remove(result);
    arguments.insert(arguments.end(), {"--quiet", "-o", result});
    arguments.insert(arguments.end(), images.begin(), images.end());
    const RunResult outcome = run(arguments);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    return outcome.exitCode == 0 ? readPicture(result) : Picture{};
  }

  TempDir m_dir;
};

} // namespace lumicomb::test
