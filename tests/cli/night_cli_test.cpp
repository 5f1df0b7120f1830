// The night-sky options of lumicomb-cli: "Comet trails" and its half-life, darks and hot pixels,
// gap filling and the time-lapse.
#include "cli/night_cli_fixture.h"

#include <exiv2/exiv2.hpp>

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

TEST_F(NightCliTest, AFolderOfDarksMakesAMasterThatALaterRunTakesAsItsOnlyDark) {
  const std::vector<Picture> lights = randomStack(3, 8, 5, 42);
  const std::vector<std::string> images = writeStack(lights);
  std::filesystem::create_directory(input("darks"));
  const std::vector<Picture> darks = randomStack(3, 8, 5, 43);
  for (size_t j = 0; j < darks.size(); ++j)
    writePicture(darks[j], input("darks/dark" + std::to_string(j) + ".png"), FIF_PNG);
  writeWholeFile(input("darks/notes.txt"), "not a picture");
  const Picture withFolder = blend(
      {"-r", "brightest", "--dark", input("darks"), "--save-master-dark", output("master.tif")},
      images);
  EXPECT_EQ(readPicture(output("master.tif")), referenceMedian(darks));
  EXPECT_EQ(blend({"-r", "brightest", "--dark", output("master.tif")}, images), withFolder);
  EXPECT_NE(withFolder, referenceBrightest(lights));

  const RunResult misuse =
      run({"--save-master-dark", output("m.tif"), "-o", output("x.png"), images[0]});
  EXPECT_EQ(misuse.exitCode, 2);
  std::filesystem::create_directory(input("empty"));
  const RunResult empty = run({"--dark", input("empty"), "-o", output("x.png"), images[0]});
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_NE(empty.err.find("there are no pictures in"), std::string::npos) << empty.err;
}

TEST_F(NightCliTest, GapFillingIsRefusedAsMisuseWithOtherRulesOrABadSize) {
  const std::vector<std::string> images = writeStack(randomStack(2, 8, 5, 44));
  for (const std::vector<std::string> &options : {std::vector<std::string>{"--gap-fill"},
                                                  {"-r", "median", "--gap-size", "4"},
                                                  {"-r", "brightest", "--gap-size", "0"},
                                                  {"-r", "comet", "--gap-size", "wide"}}) {
    std::vector<std::string> arguments = options;
    arguments.insert(arguments.end(), {"-o", output("x.png"), images[0], images[1]});
    const RunResult refused = run(arguments);
    EXPECT_EQ(refused.exitCode, 2) << options.back();
    EXPECT_FALSE(std::filesystem::exists(output("x.png")));
  }
}

TEST_F(NightCliTest, ASequenceWritesEveryStepAndSaysHowToMakeTheVideo) {
  const std::vector<Picture> stack = randomStack(4, 7, 5, 45);
  const std::vector<std::string> images = writeStack(stack);
  std::vector<std::string> arguments = {
      "-r",       "brightest", "--sequence", output("frames"),
      "--window", "2",         "-o",         output("trails.png")};
  arguments.insert(arguments.end(), images.begin(), images.end());
  const RunResult made = run(arguments);
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(made.out, "ffmpeg -framerate 25 -i '" + output("frames/trails_%05d.png") +
                          "' -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2' -c:v libx264 -pix_fmt yuv420p "
                          "'trails.mp4'\n");
  for (int k = 1; k <= 4; ++k) {
    const std::vector<Picture> window(stack.begin() + std::max(0, k - 2), stack.begin() + k);
    EXPECT_EQ(readPicture(output("frames/trails_0000" + std::to_string(k) + ".png")),
              referenceBrightest(window));
  }
  EXPECT_EQ(readPicture(output("trails.png")), referenceBrightest(stack));
  const auto frame = Exiv2::ImageFactory::open(output("frames/trails_00003.png"));
  frame->readMetadata();
  EXPECT_EQ(frame->exifData()["Exif.Photo.SourceImageNumberOfCompositeImage"].toString(), "3 3");

  for (const std::vector<std::string> &misuse :
       {std::vector<std::string>{"-r", "median", "--sequence", output("median")},
        {"--window", "3"},
        {"-r", "comet", "--sequence", output("comet"), "--window", "3"}}) {
    std::vector<std::string> refused = misuse;
    refused.insert(refused.end(), {"-o", output("x.png"), images[0], images[1], images[2]});
    EXPECT_EQ(run(refused).exitCode, 2) << misuse[1];
  }
  EXPECT_FALSE(std::filesystem::exists(output("median")));
}

TEST_F(NightCliTest, FramesGoInTheOrderTakenAndABrightOneIsLeftOutSayingSo) {
  std::vector<Picture> stack;
  for (int k = 0; k < 5; ++k)
    stack.push_back(filledPicture(6, 4, {static_cast<uint8_t>(k == 3 ? 200 : 40 + k), 30, 30}));
  const std::vector<std::string> images = writeStack(stack);
  // Taken in the reverse of their names' order.
  for (size_t k = 0; k < images.size(); ++k) {
    const auto image = Exiv2::ImageFactory::open(images[k]);
    image->readMetadata();
    image->exifData()["Exif.Photo.DateTimeOriginal"] = "2024:01:01 00:00:0" + std::to_string(9 - k);
    image->writeMetadata();
  }
  std::vector<std::string> arguments = {"-r",
                                        "comet",
                                        "--half-life",
                                        "1",
                                        "--order",
                                        "time",
                                        "--skip-bright-frames",
                                        "-o",
                                        output("comet.png")};
  arguments.insert(arguments.end(), images.begin(), images.end());
  const RunResult made = run(arguments);
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(made.err, "lumicomb-cli: skipped '" + images[3] + "': 2.5x brighter than the night\n");
  EXPECT_EQ(readPicture(output("comet.png")),
            referenceComet({stack[4], stack[2], stack[1], stack[0]}, 1));
  EXPECT_EQ(run({"--order", "name", "-o", output("x.png"), images[0]}).exitCode, 2);
}

} // namespace
} // namespace lumicomb::test
