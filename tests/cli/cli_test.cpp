// Runs the built lumicomb-cli as a separate process, the way scripts and users call it, and checks
// the files it writes, its exit status and what it prints.
#include "rules/rule_registry.h"
#include "support/handheld_stacks.h"
#include "support/reference_blends.h"
#include "support/run_program.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace lumicomb::test {
namespace {

namespace fs = std::filesystem;

/// Runs the tool with its settings store in `configHome`. The locale is pinned so that number
/// texts such as "2.5" read the same on every machine.
RunResult runCli(const std::vector<std::string> &arguments, const std::string &configHome,
                 const std::string &workingFolder = {}) {
  std::vector<std::string> words = {LUMICOMB_CLI_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  return runProgram(words, {"XDG_CONFIG_HOME=" + configHome, "LC_ALL=C.UTF-8"}, workingFolder);
}

std::set<std::string> namesIn(const fs::path &folder) {
  std::set<std::string> names;
  for (const fs::directory_entry &entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

FREE_IMAGE_FORMAT formatOf(const std::string &path) {
  return FreeImage_GetFileType(path.c_str(), 0);
}

class CliTest : public ::testing::Test {
protected:
  CliTest() {
    fs::create_directory(m_dir.path() / "config");
    fs::create_directory(m_dir.path() / "in");
    fs::create_directory(m_dir.path() / "out");
  }

  RunResult run(const std::vector<std::string> &arguments) const {
    return runCli(arguments, config());
  }

  std::string config() const { return m_dir.file("config"); }
  std::string input(const std::string &name) const { return m_dir.file("in/" + name); }
  std::string output(const std::string &name) const { return m_dir.file("out/" + name); }
  fs::path outFolder() const { return m_dir.path() / "out"; }

  void writeSettings(const std::string &lines) const {
    writeWholeFile(config() + "/Lumicomb.ini", "[setting]\n" + lines);
  }

  /// Writes the pictures as PNG files in/<stem>1.png, in/<stem>2.png ... and returns the names.
  std::vector<std::string> writeStack(const std::vector<Picture> &pictures,
                                      const std::string &stem = "source") const {
    std::vector<std::string> names;
    for (const Picture &picture : pictures) {
      names.push_back(input(stem + std::to_string(names.size() + 1) + ".png"));
      writePicture(picture, names.back(), FIF_PNG);
    }
    return names;
  }

  std::vector<Picture> randomPictures(int count, int64_t width, int64_t height) {
    std::vector<Picture> pictures;
    for (int k = 0; k < count; ++k)
      pictures.push_back(randomPicture(width, height, m_random));
    return pictures;
  }

  /// Runs the tool and returns the picture it wrote, failing the test if it did not succeed.
  Picture blend(std::vector<std::string> arguments, const std::vector<std::string> &images) {
    const std::string result = output("result.png");
    fs::remove(result);
    arguments.insert(arguments.end(), {"-o", result});
    arguments.insert(arguments.end(), images.begin(), images.end());
    const RunResult run = this->run(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    if (run.exitCode != 0)
      return {};
    return readPicture(result);
  }

  TempDir m_dir;
  std::mt19937 m_random{20240607};
};

TEST_F(CliTest, AverageMatchesTheRoundedMeanOfEveryChannel) {
  for (int count : {2, 3, 4}) {
    SCOPED_TRACE(std::to_string(count) + " images");
    const std::vector<Picture> sources = randomPictures(count, 7, 5);
    const std::vector<std::string> images = writeStack(sources);
    const Picture expected = referenceSumDivide(sources, count);
    EXPECT_EQ(blend({}, images), expected);
    EXPECT_EQ(blend({"-r", "average", "-j", "1"}, images), expected);
    EXPECT_EQ(blend({"--rule", "0", "--quiet"}, images), expected);
  }
}

TEST_F(CliTest, SumAndDivideReadsTheDivisorTextLikeTheBox) {
  const std::vector<Picture> sources = randomPictures(3, 7, 5);
  const std::vector<std::string> images = writeStack(sources);
  // " 4 " is trimmed, and 2.5 rounds half to even, to 2.
  for (const auto &[text, divisor] :
       std::vector<std::pair<std::string, int64_t>>{{"2", 2}, {" 4 ", 4}, {"2.5", 2}, {"1", 1}}) {
    SCOPED_TRACE("divisor \"" + text + "\"");
    const Picture expected = referenceSumDivide(sources, divisor);
    EXPECT_EQ(blend({"-r", "sum-and-divide", "-d", text}, images), expected);
    EXPECT_EQ(blend({"--rule=1", "--divisor=" + text}, images), expected);
  }
}

TEST_F(CliTest, SumAndDivideHoldsTotalsAboveTheByteAt255) {
  const Picture grey = filledPicture(4, 3, {100, 100, 100});
  const std::vector<std::string> images = writeStack({grey, grey, grey});
  EXPECT_EQ(blend({"-r", "sum-and-divide", "-d", "1"}, images),
            filledPicture(4, 3, {255, 255, 255}));
  EXPECT_EQ(blend({"-r", "sum-and-divide", "-d", "2"}, images),
            filledPicture(4, 3, {150, 150, 150}));
}

TEST_F(CliTest, SourcesOfEveryFileTypeAreReadWithoutLibraryChatter) {
  const std::vector<std::pair<std::string, FREE_IMAGE_FORMAT>> types = {
      {"tif", FIF_TIFF}, {"bmp", FIF_BMP}, {"png", FIF_PNG}, {"jpg", FIF_JPEG}};
  std::vector<std::string> images;
  std::vector<Picture> decoded; // what each file holds, JPEG losses included
  for (const auto &[extension, format] : types) {
    images.push_back(input("source." + extension));
    writePicture(randomPicture(9, 7, m_random), images.back(), format);
    decoded.push_back(readPicture(images.back()));
  }
  for (const auto &[extension, format] : types) {
    SCOPED_TRACE(extension + " twice");
    const std::string image = input("source." + extension);
    EXPECT_EQ(blend({}, {image, image}), readPicture(image));
  }
  EXPECT_EQ(blend({}, images), referenceSumDivide(decoded, 4));
}

TEST_F(CliTest, BareFileNamesAreTakenFromTheWorkingFolder) {
  const std::vector<Picture> sources = randomPictures(2, 5, 4);
  writeStack(sources);
  const RunResult run =
      runCli({"-o", "../out/result.bmp", "source1.png", "./source2.png"}, config(), input(""));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(readPicture(output("result.bmp")), referenceSumDivide(sources, 2));

  const RunResult here =
      runCli({"-o", "here.png", "source1.png", "source2.png"}, config(), input(""));
  ASSERT_EQ(here.exitCode, 0) << here.err;
  EXPECT_EQ(readPicture(input("here.png")), referenceSumDivide(sources, 2));
}

TEST_F(CliTest, PicturesWiderOrTallerThan32767PixelsBlend) {
  for (const auto &[width, height] :
       std::vector<std::pair<int64_t, int64_t>>{{40000, 1}, {1, 40000}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const std::vector<Picture> sources = randomPictures(2, width, height);
    EXPECT_EQ(blend({}, writeStack(sources)), referenceSumDivide(sources, 2));
  }
}

TEST_F(CliTest, ResultsAreByteIdenticalWhateverTheThreadCount) {
  const std::vector<std::string> images = writeStack(randomPictures(6, 13, 11));
  for (const std::vector<std::string> &rule :
       {std::vector<std::string>{"-r", "average"},
        std::vector<std::string>{"-r", "sum-and-divide", "-d", "3"},
        std::vector<std::string>{"--preview"}}) {
    std::vector<std::string> files;
    for (const std::string threads : {"1", "2", "3"}) {
      files.push_back(output("j" + threads + ".png"));
      std::vector<std::string> arguments = rule;
      arguments.insert(arguments.end(), {"-j", threads, "-o", files.back()});
      arguments.insert(arguments.end(), images.begin(), images.end());
      ASSERT_EQ(run(arguments).exitCode, 0);
    }
    EXPECT_EQ(readWholeFile(files[0]), readWholeFile(files[1]));
    EXPECT_EQ(readWholeFile(files[0]), readWholeFile(files[2]));
  }
}

TEST_F(CliTest, FileTypeComesFromTheTypeOptionOrTheExtensionInAnyCase) {
  const std::vector<Picture> sources = randomPictures(2, 6, 4);
  const std::vector<std::string> images = writeStack(sources);
  const Picture expected = referenceSumDivide(sources, 2);
  struct Case {
    std::string name;
    std::vector<std::string> typeOption;
    FREE_IMAGE_FORMAT format;
  };
  const std::vector<Case> cases = {
      {"a.tif", {}, FIF_TIFF},
      {"b.TIFF", {}, FIF_TIFF},
      {"c.jpg", {}, FIF_JPEG},
      {"d.jpeg", {}, FIF_JPEG},
      {"e.JPG", {}, FIF_JPEG},
      {"f.Bmp", {}, FIF_BMP},
      {"g.png", {}, FIF_PNG},
      {"h.PnG", {}, FIF_PNG},
      {"i.data", {"-t", "PNG"}, FIF_PNG},
      {"j", {"-t", "TIFF"}, FIF_TIFF},
      {"k.png", {"-t", "BMP"}, FIF_BMP},
      {"l.bmp", {"--type", "JPEG"}, FIF_JPEG},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> arguments = c.typeOption;
    arguments.insert(arguments.end(), {"-o", output(c.name)});
    arguments.insert(arguments.end(), images.begin(), images.end());
    const RunResult result = run(arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(formatOf(output(c.name)), c.format);
    if (c.format != FIF_JPEG) {
      EXPECT_EQ(readPicture(output(c.name)), expected);
    }
  }
  // Written under exactly the names given: nothing appended, no temporary files left behind.
  std::set<std::string> names;
  for (const Case &c : cases)
    names.insert(c.name);
  EXPECT_EQ(namesIn(outFolder()), names);
}

TEST_F(CliTest, JpegQualityComesFromTheOptionOrElseTheStoredSetting) {
  const std::vector<std::string> images = writeStack(randomPictures(2, 64, 48));
  auto jpegWith = [&](const std::string &name, std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"-o", output(name)});
    arguments.insert(arguments.end(), images.begin(), images.end());
    EXPECT_EQ(run(arguments).exitCode, 0);
    return readWholeFile(output(name));
  };
  const std::string low = jpegWith("q10.jpg", {"-q", "10"});
  const std::string high = jpegWith("q100.jpg", {"--quality", "100"});
  EXPECT_LT(low.size(), high.size());
  // The stored setting defaults to 100 when the store is empty.
  EXPECT_EQ(jpegWith("default.jpg", {}), high);
  writeSettings("JPEGcompression=10\n");
  EXPECT_EQ(jpegWith("stored.jpg", {}), low);
  EXPECT_EQ(jpegWith("override.jpg", {"-q", "100"}), high);
}

TEST_F(CliTest, TheResultSaysItIsABlendUnlessNoMetadataIsAskedFor) {
  const std::vector<std::string> images = writeStack(randomPictures(2, 6, 4));
  for (const bool withMetadata : {true, false}) {
    SCOPED_TRACE(withMetadata ? "with metadata" : "--no-metadata");
    const std::string result = output(withMetadata ? "with.jpg" : "without.jpg");
    std::vector<std::string> arguments = {"-o", result, images[0], images[1]};
    if (!withMetadata)
      arguments.push_back("--no-metadata");
    const RunResult run = this->run(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto written = Exiv2::ImageFactory::open(result);
    written->readMetadata();
    const Exiv2::ExifData &exif = written->exifData();
    const auto software = exif.findKey(Exiv2::ExifKey("Exif.Image.Software"));
    EXPECT_EQ(software != exif.end(), withMetadata);
  }
}

TEST_F(CliTest, DepthSixteenKeepsTheAveragesFractionInTiffAndPngOnly) {
  // 10.5 rounds to 10 at 8 bits; 257 x 10.5 = 2698.5 rounds to 2698 at 16.
  const std::vector<std::string> images =
      writeStack({filledPicture(3, 2, {10, 0, 0}), filledPicture(3, 2, {11, 0, 0})});
  for (const auto &[name, bits, red] : {std::tuple{"wide.tif", 48u, 2698},
                                        {"wide.png", 48u, 2698},
                                        {"narrow.bmp", 24u, 10},
                                        {"narrow.jpg", 24u, -1}}) {
    SCOPED_TRACE(name);
    const RunResult run = this->run({"--depth", "16", "-o", output(name), images[0], images[1]});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Bitmap written(
        FreeImage_Load(FreeImage_GetFileType(output(name).c_str()), output(name).c_str(), 0));
    ASSERT_TRUE(written);
    EXPECT_EQ(FreeImage_GetBPP(written.get()), bits);
    if (bits == 48) {
      EXPECT_EQ(reinterpret_cast<const FIRGB16 *>(scanLine(written.get(), 0))->red, red);
    } else if (red >= 0) {
      EXPECT_EQ(scanLine(written.get(), 0)[FI_RGBA_RED], red);
    }
  }
}

TEST_F(CliTest, PreviewBlendsPicturesScaledIntoTheStoredPreviewBox) {
  const std::vector<std::string> images =
      writeStack({filledPicture(800, 600, {10, 20, 30}), filledPicture(800, 600, {30, 40, 51})});
  Picture result = blend({"--preview"}, images);
  EXPECT_EQ(result, filledPicture(400, 300, {20, 30, 40}));

  writeSettings("PreviewWidth=250\n");
  result = blend({"--preview"}, images);
  EXPECT_EQ(result.width, 250);
  EXPECT_EQ(result.height, 188);

  writeSettings("PreviewHeight=200\n");
  result = blend({"--preview"}, images);
  EXPECT_EQ(result.width, 267);
  EXPECT_EQ(result.height, 200);

  // Without --preview the full size is blended whatever the store says.
  EXPECT_EQ(blend({}, images).width, 800);

  // Pictures that already fit the box are not enlarged.
  const std::vector<Picture> small = randomPictures(2, 120, 90);
  EXPECT_EQ(blend({"--preview"}, writeStack(small, "small")), referenceSumDivide(small, 2));
}

TEST_F(CliTest, HelpAndVersionPrintToStdoutAndSucceed) {
  const RunResult help = run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--rule"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("--output"), std::string::npos) << help.out;
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(run({"-h"}).out, help.out);

  const RunResult version = run({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_NE(version.out.find(LUMICOMB_VERSION), std::string::npos) << version.out;
  EXPECT_EQ(version.err, "");
}

TEST_F(CliTest, TheRuleRegistryNamesEveryRuleTheToolOffers) {
  const std::string help = run({"--help"}).out;
  const std::vector<std::string> images = writeStack(randomPictures(3, 4, 3));
  for (const RuleDescription &rule : ruleRegistry()) {
    SCOPED_TRACE(rule.caption);
    std::vector<std::string> arguments = {"-r", std::to_string(rule.index), "-o", output("r.png")};
    const int count = std::clamp(3, rule.sources.least, rule.sources.most);
    arguments.insert(arguments.end(), images.begin(), images.begin() + count);
    if (!rule.make) {
      EXPECT_EQ(run(arguments).exitCode, 2) << "an entry without a rule is not offered";
      continue;
    }
    EXPECT_NE(help.find(rule.commandName), std::string::npos);
    EXPECT_EQ(run(arguments).exitCode, 0);
  }
}

TEST_F(CliTest, MisuseExitsWith2AndWritesNothing) {
  const std::vector<std::string> images = writeStack(randomPictures(2, 5, 4));
  const std::string result = output("result.png");
  const std::vector<std::vector<std::string>> misuses = {
      {"--bogus", "-o", result, images[0]},
      {images[0], images[1]},
      {"-o", result},
      {"-r", "sharp", "-o", result, images[0]},
      {"-r", "99", "-o", result, images[0]},
      {"-q", "0", "-o", result, images[0]},
      {"-q", "101", "-o", result, images[0]},
      {"-q", "abc", "-o", result, images[0]},
      {"-j", "0", "-o", result, images[0]},
      {"--memory", "0", "-o", result, images[0]},
      {"--memory", "lots", "-o", result, images[0]},
      {"--depth", "12", "-o", result, images[0]},
      {"-t", "GIF", "-o", result, images[0]},
      {"-o", output("result.gif"), images[0]},
      {"-o", output("result"), images[0]},
      {"--align-model", "rigid", "-o", result, images[0]},
      {"--preview", "--save-aligned", output("aligned"), "-o", result, images[0]},
  };
  for (const std::vector<std::string> &arguments : misuses) {
    std::string line;
    for (const std::string &word : arguments)
      line += " " + word;
    SCOPED_TRACE("lumicomb-cli" + line);
    const RunResult run = this->run(arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.starts_with("lumicomb-cli: ")) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(namesIn(outFolder()).empty());
  }
}

/// A run that fails must say so in one line naming the culprit, and leave the output as it was.
class CliFailureTest : public CliTest {
protected:
  /// Returns what the first of the two runs printed on stderr.
  std::string expectFailure(const std::vector<std::string> &arguments,
                            const std::vector<std::string> &culprits) {
    std::string firstMessage;
    for (const bool existed : {false, true}) {
      SCOPED_TRACE(existed ? "output existed before" : "no output before");
      const std::string result = output("result.png");
      const std::string previous = "the result of an earlier run";
      if (existed)
        writeWholeFile(result, previous);
      std::vector<std::string> words = {"-o", result};
      words.insert(words.end(), arguments.begin(), arguments.end());
      const RunResult run = this->run(words);
      if (!existed)
        firstMessage = run.err;
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_TRUE(run.err.starts_with("lumicomb-cli: ")) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
      EXPECT_TRUE(run.err.ends_with("\n")) << run.err;
      EXPECT_LT(run.peakKiB, 100 * 1024) << "a refusal comes before anything large is held";
      for (const std::string &culprit : culprits)
        EXPECT_NE(run.err.find(culprit), std::string::npos) << culprit << " in: " << run.err;
      if (existed) {
        EXPECT_EQ(readWholeFile(result), previous);
        EXPECT_EQ(namesIn(outFolder()), std::set<std::string>{"result.png"});
        fs::remove(result);
      } else {
        EXPECT_TRUE(namesIn(outFolder()).empty());
      }
    }
    return firstMessage;
  }

  /// A random 64x48 picture in the given format, cut off at half its length.
  std::string truncatedPicture(const std::string &name, FREE_IMAGE_FORMAT format) {
    const std::string path = input(name);
    writePicture(randomPicture(64, 48, m_random), path, format);
    const std::string whole = readWholeFile(path);
    writeWholeFile(path, whole.substr(0, whole.size() / 2));
    return path;
  }
};

TEST_F(CliFailureTest, UnreadableSourcesAreNamed) {
  const std::vector<std::string> images = writeStack(randomPictures(2, 8, 6));
  const std::string notes = input("notes.txt");
  writeWholeFile(notes, "these are words, not pixels\n");
  const std::string missing = input("missing.png");
  std::vector<std::string> culprits = {notes, missing};
  for (const auto &[name, format] : std::vector<std::pair<std::string, FREE_IMAGE_FORMAT>>{
           {"cut.jpg", FIF_JPEG}, {"cut.tif", FIF_TIFF}, {"cut.png", FIF_PNG}})
    culprits.push_back(truncatedPicture(name, format));

  for (const std::string &culprit : culprits) {
    SCOPED_TRACE(culprit);
    expectFailure({images[0], culprit, images[1]}, {culprit});
    expectFailure({culprit, images[0]}, {culprit});
    expectFailure({"--preview", images[0], images[1], culprit}, {culprit});
  }
}

TEST_F(CliFailureTest, TruncatedBmpIsRefusedLikeOtherDamagedFiles) {
  const std::vector<std::string> images = writeStack(randomPictures(2, 64, 48));
  const std::string damaged = truncatedPicture("cut.bmp", FIF_BMP);
  expectFailure({images[0], damaged, images[1]}, {damaged});
}

TEST_F(CliFailureTest, SourcesOfAnotherSizeAreNamedWithBothSizes) {
  const std::vector<std::string> first = writeStack(randomPictures(2, 8, 6), "big");
  const std::vector<std::string> other = writeStack(randomPictures(1, 7, 6), "small");
  const std::vector<std::string> tall = writeStack(randomPictures(1, 8, 9), "tall");
  expectFailure({first[0], first[1], other[0]}, {other[0], "7x6", "8x6"});
  expectFailure({other[0], first[0]}, {first[0], "7x6", "8x6"});
  expectFailure({"--preview", first[0], tall[0]}, {tall[0], "8x9", "8x6"});
  // Whichever thread meets a mismatch first, the earliest mismatched source is the one named.
  for (const std::string threads : {"1", "2", "3"})
    expectFailure({"-j", threads, first[0], other[0], tall[0], first[1]}, {other[0], "7x6", "8x6"});
}

TEST_F(CliFailureTest, DivisorsThatAreNotANumberFrom1To255AreRefused) {
  const std::vector<std::string> images = writeStack(randomPictures(2, 5, 4));
  for (const std::string text : {"abc", "", "-1", "256", "0", "0.4"}) {
    SCOPED_TRACE("divisor \"" + text + "\"");
    const std::string message =
        expectFailure({"-r", "sum-and-divide", "--divisor=" + text, images[0], images[1]}, {});
    // The refused text is shown in quotes, so that an empty or blank box is visible too.
    EXPECT_TRUE(message.find("\"" + text + "\"") != std::string::npos ||
                message.find("'" + text + "'") != std::string::npos)
        << message;
  }
}

TEST_F(CliFailureTest, RulesRefuseTheWrongNumberOfImagesAndWriteNothing) {
  const std::vector<std::string> images = writeStack(randomPictures(3, 5, 4));
  for (const std::string rule : {"median", "average-of-commonest", "most-different-from-average"}) {
    SCOPED_TRACE(rule);
    EXPECT_EQ(expectFailure({"-r", rule, images[0], images[1]}, {}),
              "lumicomb-cli: Minimum 3 images required for this mode\n");
  }
  for (const std::vector<std::string> &arguments :
       {std::vector<std::string>{"-r", "dynamic-range", images[0]},
        std::vector<std::string>{"--preview", "-r", "8", images[0], images[1], images[2]}}) {
    EXPECT_EQ(expectFailure(arguments, {}),
              "lumicomb-cli: Exactly 2 images required for this mode\n");
  }
}

TEST_F(CliTest, EveryRuleMatchesItsReferenceEndToEnd) {
  const std::vector<Picture> pictures = randomPictures(4, 9, 7);
  const std::vector<std::string> images = writeStack(pictures);
  const std::vector<Picture> two(pictures.begin(), pictures.begin() + 2);
  EXPECT_EQ(blend({"-r", "brightest"}, images), referenceBrightest(pictures));
  EXPECT_EQ(blend({"-r", "darkest"}, images), referenceDarkest(pictures));
  EXPECT_EQ(blend({"-r", "median"}, images), referenceMedian(pictures));
  EXPECT_EQ(blend({"-r", "average-of-commonest"}, images), referenceAverageOfCommonest(pictures));
  EXPECT_EQ(blend({"-r", "different-from-first", "-l", "30"}, images),
            referenceDifferentFromFirst(pictures, 30));
  EXPECT_EQ(blend({"-r", "6"}, images), referenceDifferentFromFirst(pictures, 5));
  EXPECT_EQ(blend({"-r", "most-different-from-average"}, images), referenceMostDifferent(pictures));
  EXPECT_EQ(blend({"-r", "dynamic-range"}, {images[0], images[1]}), referenceSumDivide(two, 2));
}

TEST_F(CliTest, BandRulesGiveTheSameBytesForAnyMemoryBudgetAndThreadCount) {
  // Five 200 x 300 pictures and the result take more than 1 MiB, so --memory 1 splits the
  // pictures into two bands with one thread and three with three.
  const std::vector<std::string> images = writeStack(randomPictures(5, 200, 300));
  for (const std::string rule : {"median", "average-of-commonest"}) {
    std::vector<std::string> files;
    for (const std::vector<std::string> &limits :
         {std::vector<std::string>{}, std::vector<std::string>{"--memory", "1", "-j", "1"},
          std::vector<std::string>{"--memory", "1", "-j", "3"}}) {
      files.push_back(output(rule + std::to_string(files.size()) + ".png"));
      std::vector<std::string> arguments = {"-r", rule, "-o", files.back()};
      arguments.insert(arguments.end(), limits.begin(), limits.end());
      arguments.insert(arguments.end(), images.begin(), images.end());
      ASSERT_EQ(run(arguments).exitCode, 0);
    }
    EXPECT_EQ(readWholeFile(files[0]), readWholeFile(files[1])) << rule;
    EXPECT_EQ(readWholeFile(files[0]), readWholeFile(files[2])) << rule;
  }
}

TEST_F(CliFailureTest, ForeignFormatsAndPictureBombsAreRefusedFromTheirHeaders) {
  const std::vector<std::string> images = writeStack(randomPictures(2, 8, 6));
  const std::string icon = input("icon.ico");
  ASSERT_TRUE(
      FreeImage_Save(FIF_ICO, toBitmap(randomPicture(32, 32, m_random)).get(), icon.c_str(), 0));
  const std::string huge = input("huge.bmp");
  writeWholeFile(huge, bmpClaiming(60000, 60000));
  const std::string empty = input("empty.bmp");
  writeWholeFile(empty, bmpClaiming(0, 100));
  const std::string wide = input("wide.bmp");
  writeWholeFile(wide, bmpClaiming(1048576, 48));
  const std::string result = output("result.png");

  expectFailure({icon, images[0]},
                {icon, "an ICO file; Lumicomb reads JPEG, PNG, TIFF, BMP and WebP"});
  expectFailure({"--memory", "1024", huge, images[0]}, {huge, "60000x60000", "1.0 GiB"});
  expectFailure({images[0], huge}, {huge, "60000x60000 pixels, but"});
  expectFailure({empty, images[0]}, {empty, "it claims 0x100 pixels"});
  // The file holds no pixels at all: only a check before the blend can name the output.
  expectFailure({wide}, {result, "a PNG file holds at most 1000000 pixels a side", "1048576x48"});
}

TEST_F(CliFailureTest, ABadOutputIsRefusedBeforeAnyImageIsRead) {
  const std::string neverRead = input("never-read.png"); // a read would name it instead
  fs::create_directory(output("taken.png"));
  writeWholeFile(output("locked.png"), "protected");
  fs::permissions(output("locked.png"), fs::perms::owner_read | fs::perms::group_read);
  for (const auto &[target, reason] : std::vector<std::pair<std::string, std::string>>{
           {output("taken.png"), "it is a folder"},
           {output("no-such-folder/result.png"), "No such file or directory"},
           {output("locked.png"), "it is write-protected"}}) {
    const RunResult run = this->run({"-o", target, neverRead});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "lumicomb-cli: cannot write '" + target + "': " + reason + "\n");
  }
  EXPECT_EQ(readWholeFile(output("locked.png")), "protected");
  EXPECT_EQ(namesIn(outFolder()), (std::set<std::string>{"locked.png", "taken.png"}));
}

TEST_F(CliTest, SavesThroughASymbolicLinkAndUnderTheLongestNameTheFolderTakes) {
  const std::vector<Picture> pictures = randomPictures(2, 6, 5);
  const std::vector<std::string> images = writeStack(pictures);
  writeWholeFile(output("real.png"), "an earlier result");
  fs::create_symlink("real.png", output("link.png"));
  const std::string longest = output(std::string(251, 'n') + ".png");
  for (const std::string &target : {output("link.png"), longest})
    ASSERT_EQ(run({"-o", target, images[0], images[1]}).exitCode, 0) << target;
  EXPECT_TRUE(fs::is_symlink(output("link.png")));
  EXPECT_EQ(readPicture(output("real.png")), referenceSumDivide(pictures, 2));
  EXPECT_EQ(readPicture(longest), referenceSumDivide(pictures, 2));
  EXPECT_EQ(namesIn(outFolder()).size(), 3u);
}

bool running(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string number, name, state;
  return stat >> number >> name >> state && state != "Z";
}

/// Whether the process has one of the files open: that tells how far it is, where its read
/// counter may not move until it ends.
bool hasOpen(int pid, const std::vector<std::string> &files) {
  std::error_code error;
  for (fs::directory_iterator fd("/proc/" + std::to_string(pid) + "/fd", error), end;
       !error && fd != end; fd.increment(error)) {
    const fs::path target = fs::read_symlink(fd->path(), error);
    if (!error && std::find(files.begin(), files.end(), target.string()) != files.end())
      return true;
  }
  return false;
}

TEST_F(CliTest, StopSignalsCancelTheRunAndLeaveNothingBehind) {
  // Frames large enough that a run is still reading them when the signal lands in the middle.
  const std::vector<std::string> images = writeStack(randomPictures(6, 1200, 900));
  // With one thread the images are read in order: once a later one is open, the first is in.
  const std::vector<std::string> later(images.begin() + 1, images.end());
  const std::string kept = output("kept.tif");
  writeWholeFile(kept, "an earlier result");
  for (const int signal : {SIGINT, SIGTERM}) {
    for (const bool middle : {false, true}) {
      for (const std::string &target : {output("new.tif"), kept}) {
        SCOPED_TRACE(::testing::Message()
                     << "signal " << signal << (middle ? " mid-run" : " at once") << " writing "
                     << target);
        WhileRunning stop;
        stop.stopSignalsHeld = true;
        stop.act = [&](int pid) {
          while (middle && running(pid) && !hasOpen(pid, later))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          EXPECT_TRUE(running(pid)) << "the run ended before it could be stopped";
          ::kill(pid, signal);
        };
        std::vector<std::string> words = {
            LUMICOMB_CLI_PATH, "-r", "median", "-j", "1", "-o", target};
        words.insert(words.end(), images.begin(), images.end());
        const RunResult run = runProgram(words, {"XDG_CONFIG_HOME=" + config()}, {}, stop);
        EXPECT_EQ(run.exitCode, 128 + signal);
        EXPECT_EQ(run.err, "lumicomb-cli: cancelled\n");
        EXPECT_EQ(namesIn(outFolder()), std::set<std::string>{"kept.tif"});
        EXPECT_EQ(readWholeFile(kept), "an earlier result");
      }
    }
  }
}

} // namespace
} // namespace lumicomb::test

namespace lumicomb::test {
namespace {

TEST_F(CliTest, AlignedRunsReportTheCropAndSaveEveryAlignedFrameAtSixteenBits) {
  std::vector<Picture> burst;
  for (const auto &[dx, dy, degrees] :
       {std::tuple{0.0, 0.0, 0.0}, {9.4, -6.2, 1.1}, {-7.7, 4.8, -0.7}})
    burst.push_back(
        handheldPicture(320, 240, handheldShot(320, 240, dx, dy, degrees, 4, burst.size())));
  std::vector<std::string> images = writeStack(burst);
  const std::string aligned = output("aligned");
  const std::string result = output("median.tif");
  std::vector<std::string> arguments = {"-r", "median", "--save-aligned", aligned, "-o", result};
  arguments.insert(arguments.end(), images.begin(), images.end());
  const RunResult run = this->run(arguments);
  ASSERT_EQ(run.exitCode, 0) << run.err;

  const Bitmap median(FreeImage_Load(FIF_TIFF, result.c_str(), 0));
  ASSERT_TRUE(median);
  const unsigned width = FreeImage_GetWidth(median.get()),
                 height = FreeImage_GetHeight(median.get());
  EXPECT_LT(width, 320u);
  EXPECT_TRUE(run.err.starts_with("aligned 3 frames; result " + std::to_string(width) + "x" +
                                  std::to_string(height) + " at +"))
      << run.err;
  EXPECT_EQ(namesIn(aligned),
            (std::set<std::string>{"0001-source1.tif", "0002-source2.tif", "0003-source3.tif"}));
  for (const std::string &name : namesIn(aligned)) {
    const Bitmap frame(FreeImage_Load(FIF_TIFF, (fs::path(aligned) / name).c_str(), 0));
    ASSERT_TRUE(frame) << name;
    EXPECT_EQ(FreeImage_GetImageType(frame.get()), FIT_RGB16) << name;
    EXPECT_EQ(FreeImage_GetWidth(frame.get()), width) << name;
    EXPECT_EQ(FreeImage_GetHeight(frame.get()), height) << name;
  }
}

} // namespace
} // namespace lumicomb::test
