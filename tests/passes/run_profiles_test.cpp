// A run blends every source in image 1's colour profile and hands that profile and image 1's
// metadata on with the picture.
#include "imaging/colour_profiles.h"
#include "passes/run_blend_fixture.h"
#include "support/test_profiles.h"

namespace lumicomb {
namespace {

using test::Rgb;

class RunProfilesTest : public RunBlendTest {
protected:
  const Picture scene = test::filledPicture(6, 4, {200, 40, 90});
  const std::vector<uint8_t> wide = test::wideGamutProfile();

  /// Writes the scene, its samples in the profile's numbers and the profile embedded.
  std::string writeScene(const std::string &name, const std::vector<uint8_t> &profile) {
    Bitmap bitmap = test::toBitmap(scene);
    if (!profile.empty()) {
      EXPECT_EQ(convertColours(bitmap.get(), {}, wide), std::nullopt);
      test::embedProfile(bitmap.get(), profile);
    }
    const std::string path = dir.file(name);
    EXPECT_TRUE(FreeImage_Save(FIF_TIFF, bitmap.get(), path.c_str(), 0));
    return name;
  }

  static void expectNear(const Picture &picture, const Rgb &colour) {
    for (const Rgb &pixel : picture.pixels) {
      EXPECT_NEAR(pixel.red, colour.red, 1);
      EXPECT_NEAR(pixel.green, colour.green, 1);
      EXPECT_NEAR(pixel.blue, colour.blue, 1);
    }
  }
};

TEST_F(RunProfilesTest, SourcesAreBlendedInImageOnesProfile) {
  Bitmap wideNumbers = test::toBitmap(scene);
  ASSERT_EQ(convertColours(wideNumbers.get(), {}, wide), std::nullopt);
  const Rgb inWide = test::toPicture(wideNumbers.get()).at(0, 0);

  struct Case {
    bool imageOneIsWide;
    Rgb expected;
  };
  for (const Case &c : {Case{false, scene.at(0, 0)}, Case{true, inWide}}) {
    SCOPED_TRACE(c.imageOneIsWide);
    set = ImageSet();
    const std::vector<uint8_t> first = c.imageOneIsWide ? wide : std::vector<uint8_t>{};
    const std::vector<uint8_t> other = c.imageOneIsWide ? std::vector<uint8_t>{} : wide;
    set.append(dir.path().string(),
               {writeScene("1.tif", first), writeScene("2.tif", other), writeScene("3.tif", {})});
    run(RunMode::FullSize);
    expectNear(result(), c.expected);
    EXPECT_EQ(outcome.iccProfile, first);
    EXPECT_EQ(outcome.sources, 3);
    EXPECT_TRUE(observer.warnings.empty());
  }
}

TEST_F(RunProfilesTest, ADamagedProfileIsBlendedUnconvertedWithOneWarning) {
  const std::vector<uint8_t> damaged(wide.begin(), wide.begin() + 100);
  set.append(dir.path().string(), {writeScene("1.tif", damaged), writeScene("2.tif", {})});
  for (const RunMode mode : {RunMode::FullSize, RunMode::Previews}) {
    observer.warnings.clear();
    run(mode);
    EXPECT_TRUE(outcome.iccProfile.empty()) << "a damaged profile is not carried on";
    ASSERT_EQ(observer.warnings.size(), 1u) << "said once although image 1 is read twice";
    EXPECT_NE(observer.warnings[0].find("1.tif"), std::string::npos);
  }
}

} // namespace
} // namespace lumicomb
