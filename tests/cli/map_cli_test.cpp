// lumicomb-cli's rejecting means and maps, run as a separate process.
#include "support/rejection_reference.h"
#include "support/run_program.h"
#include "support/wide_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumicomb::test {
namespace {

namespace fs = std::filesystem;

class MapCliTest : public ::testing::Test {
protected:
  MapCliTest() { fs::create_directory(m_dir.path() / "config"); }

  RunResult run(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), LUMICOMB_CLI_PATH);
    return runProgram(arguments, {"XDG_CONFIG_HOME=" + m_dir.file("config"), "LC_ALL=C.UTF-8"}, {});
  }

  /// Seven 8-bit sources with outliers, as PNG files.
  std::vector<std::string> writeSources() {
    std::vector<std::string> names;
    for (const WidePicture &samples : m_stack) {
      Picture picture = filledPicture(samples.width, samples.height, {});
      for (size_t p = 0; p < picture.pixels.size(); ++p)
        picture.pixels[p] = {static_cast<uint8_t>(samples.samples[3 * p]),
                             static_cast<uint8_t>(samples.samples[3 * p + 1]),
                             static_cast<uint8_t>(samples.samples[3 * p + 2])};
      names.push_back(m_dir.file("source" + std::to_string(names.size() + 1) + ".png"));
      writePicture(picture, names.back(), FIF_PNG);
    }
    return names;
  }

  TempDir m_dir;
  std::vector<WidePicture> m_stack = outlierStack(7, 9, 5, 255, 11);
};

std::vector<uint16_t> mapIn(const std::string &path) {
  const Bitmap map(FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0));
  if (!map || FreeImage_GetImageType(map.get()) != FIT_UINT16)
    return {};
  std::vector<uint16_t> values;
  for (int64_t y = 0; y < heightOf(map.get()); ++y) {
    const auto *row = reinterpret_cast<const uint16_t *>(scanLine(map.get(), y));
    values.insert(values.end(), row, row + widthOf(map.get()));
  }
  return values;
}

TEST_F(MapCliTest, RejectingMeansTakeTheirKappasAndWriteTheirMapsBesideTheResult) {
  std::vector<std::string> images = writeSources();
  std::vector<WidePicture> wide; // the sources as a 16-bit run reads them
  for (const WidePicture &source : m_stack) {
    wide.push_back(source);
    for (uint16_t &sample : wide.back().samples)
      sample = static_cast<uint16_t>(sample * 257);
  }
  struct Run {
    std::vector<std::string> options;
    bool winsorized;
    double low, high;
    std::string map;
    bool sixteen;
  };
  const Run runs[] = {
      {{"-r", "sigma-clipped-mean"}, false, 4, 3, "map.tif", false},
      {{"-r", "winsorized-mean", "--kappa-low", "2.5", "--kappa-high", " 1.5 "},
       true,
       2.5,
       1.5,
       "map.png",
       false},
      {{"-r", "13", "--kappa-high=0.75", "--depth", "16"}, true, 4, 0.75, "map.TIFF", true},
  };
  for (const Run &each : runs) {
    SCOPED_TRACE(each.map);
    std::vector<std::string> arguments = each.options;
    const std::string result = m_dir.file("result.tif"), map = m_dir.file(each.map);
    arguments.insert(arguments.end(), {"-o", result, "--map", map});
    arguments.insert(arguments.end(), images.begin(), images.end());
    const RunResult ran = run(arguments);
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const MapReference expected =
        referenceRejectingMean(each.sixteen ? wide : m_stack, each.winsorized, each.low, each.high,
                               each.sixteen ? 65535 : 255);
    EXPECT_EQ(mapIn(map), expected.map);
    const Bitmap written(FreeImage_Load(FIF_TIFF, result.c_str(), 0));
    EXPECT_EQ(each.sixteen ? toWidePicture(written.get()) : widened(toPicture(written.get()), 1),
              expected.picture);
  }
}

TEST_F(MapCliTest, BrightestAndDarkestMapTheFrameTheyTookGreenFrom) {
  std::vector<std::string> images = writeSources();
  for (const bool brightest : {true, false}) {
    const std::string map = m_dir.file("frames.png");
    const RunResult ran =
        run({"-r", brightest ? "brightest" : "darkest", "-o", m_dir.file("result.png"), "--map",
             map, images[0], images[1], images[2], images[3], images[4], images[5], images[6]});
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(mapIn(map), referenceWinners(m_stack, brightest));
  }
}

TEST_F(MapCliTest, BadKappasMapsAndCountsAreRefusedAndNothingIsWritten) {
  const std::vector<std::string> images = writeSources();
  const std::string result = m_dir.file("result.png"), map = m_dir.file("map.png");
  writeWholeFile(map, "an older map");
  struct Refusal {
    std::vector<std::string> options;
    int exitCode;
    std::string message;
  };
  const Refusal refusals[] = {
      {{"-r", "median", "--map", map},
       2,
       "rule median makes no map; --map goes with brightest, darkest, sharpest, comet, "
       "sigma-clipped-mean or winsorized-mean"},
      {{"-r", "brightest", "--map", m_dir.file("map.jpg")},
       2,
       "the map \"" + m_dir.file("map.jpg") +
           "\" must be a TIFF or PNG file (.tif, .tiff or .png)"},
      {{"-r", "brightest", "--map", result},
       2,
       "the map cannot be written over the result \"" + result + "\""},
      {{"-r", "sigma-clipped-mean", "--kappa-low", "0", "--map", map},
       2,
       "low kappa \"0\" is not a positive number"},
      {{"-r", "winsorized-mean", "--kappa-high", "abc"},
       2,
       "high kappa \"abc\" is not a positive number"},
      {{"-r", "winsorized-mean", "--kappa-high", "-1"},
       2,
       "high kappa \"-1\" is not a positive number"},
      {{"-r", "brightest", "--map", map, "--sequence", m_dir.file("steps")},
       2,
       "a time-lapse makes no map; --map cannot go with --sequence"},
  };
  for (const Refusal &refusal : refusals) {
    SCOPED_TRACE(refusal.message);
    std::vector<std::string> arguments = refusal.options;
    arguments.insert(arguments.end(), {"-o", result});
    arguments.insert(arguments.end(), images.begin(), images.end());
    const RunResult ran = run(arguments);
    EXPECT_EQ(ran.exitCode, refusal.exitCode);
    EXPECT_EQ(ran.err.substr(0, ran.err.find('\n')), "lumicomb-cli: " + refusal.message);
    EXPECT_FALSE(fs::exists(result));
    EXPECT_EQ(readWholeFile(map), "an older map");
  }
  const RunResult two =
      run({"-r", "winsorized-mean", "-o", result, "--map", map, images[0], images[1]});
  EXPECT_EQ(two.exitCode, 1);
  EXPECT_EQ(two.err, "lumicomb-cli: Minimum 3 images required for this mode\n");
  EXPECT_FALSE(fs::exists(result));
  EXPECT_EQ(readWholeFile(map), "an older map");
}

TEST_F(MapCliTest, HelpSaysWhereTheRejectingMeansDifferFromSiril) {
  const std::string help = run({"--help"}).out;
  EXPECT_NE(help.find("a sample of exactly 0 is black and counts"), std::string::npos) << help;
  EXPECT_NE(help.find("--kappa-low"), std::string::npos);
  EXPECT_NE(help.find("--map"), std::string::npos);
}

} // namespace
} // namespace lumicomb::test
