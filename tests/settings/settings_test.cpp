#include "settings/settings.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

namespace lumicomb {
namespace {

class SettingsTest : public ::testing::Test {
protected:
  test::TempDir dir;
  std::string iniPath = dir.file("Lumicomb.ini");
  SettingsStore store{iniPath};

  void storeText(const std::string &text) { test::writeWholeFile(iniPath, "[setting]\n" + text); }
};

TEST_F(SettingsTest, AnEmptyStoreGivesTheBuiltInDefaults) {
  const RunningSettings loaded = loadSettings(store);
  EXPECT_EQ(loaded.previewWidth, 400);
  EXPECT_EQ(loaded.previewHeight, 300);
  EXPECT_EQ(loaded.fileType, "JPG");
  EXPECT_EQ(loaded.jpegQuality, 100);
  EXPECT_EQ(loaded.bitDepth, 8);
  EXPECT_FALSE(loaded.alignImages);
}

TEST_F(SettingsTest, ABitDepthOtherThan8Or16FallsBackTo8) {
  for (const auto &[text, depth] : std::vector<std::pair<std::string, int64_t>>{
           {"16", 16}, {" 16 ", 16}, {"8", 8}, {"12", 8}, {"32", 8}, {"deep", 8}, {"-16", 8}}) {
    storeText("BitDepth=" + text + "\n");
    EXPECT_EQ(loadSettings(store).bitDepth, depth) << text;
  }
}

TEST_F(SettingsTest, StoredValuesAreReadFromTheSettingGroup) {
  storeText("PreviewWidth=410\nPreviewHeight=250\nFileType=TIFF\nJPEGcompression=85\n");
  const RunningSettings loaded = loadSettings(store);
  EXPECT_EQ(loaded.previewWidth, 410);
  EXPECT_EQ(loaded.previewHeight, 250);
  EXPECT_EQ(loaded.fileType, "TIFF");
  EXPECT_EQ(loaded.jpegQuality, 85);
}

TEST_F(SettingsTest, ValuesThatAreNotNumbersFallBackToTheDefaults) {
  storeText("PreviewWidth=wide\nPreviewHeight=\nJPEGcompression=12abc\nFileType=whatever\n");
  const RunningSettings loaded = loadSettings(store);
  EXPECT_EQ(loaded.previewWidth, 400);
  EXPECT_EQ(loaded.previewHeight, 300);
  EXPECT_EQ(loaded.jpegQuality, 100);
  EXPECT_EQ(loaded.fileType, "whatever") << "the file type is free text";
}

TEST_F(SettingsTest, NumbersOutsideTheDialogRangesAreClamped) {
  storeText("PreviewWidth=10\nPreviewHeight=99999999999\nJPEGcompression=-5\n");
  RunningSettings loaded = loadSettings(store);
  EXPECT_EQ(loaded.previewWidth, 250);
  EXPECT_EQ(loaded.previewHeight, 400);
  EXPECT_EQ(loaded.jpegQuality, 1);

  storeText("PreviewWidth=501\nPreviewHeight=199\nJPEGcompression=101\n");
  loaded = loadSettings(store);
  EXPECT_EQ(loaded.previewWidth, 500);
  EXPECT_EQ(loaded.previewHeight, 200);
  EXPECT_EQ(loaded.jpegQuality, 100);
}

TEST_F(SettingsTest, SavedSettingsComeBackAsPlainText) {
  RunningSettings chosen;
  chosen.previewWidth = 275;
  chosen.previewHeight = 225;
  chosen.fileType = "TIFF";
  chosen.jpegQuality = 42;
  chosen.bitDepth = 16;
  chosen.alignImages = true;
  saveSettings(store, chosen);

  const RunningSettings loaded = loadSettings(SettingsStore(iniPath));
  EXPECT_EQ(loaded.previewWidth, 275);
  EXPECT_EQ(loaded.previewHeight, 225);
  EXPECT_EQ(loaded.fileType, "TIFF");
  EXPECT_EQ(loaded.jpegQuality, 42);
  EXPECT_EQ(loaded.bitDepth, 16);
  EXPECT_TRUE(loaded.alignImages);
  const std::string text = test::readWholeFile(iniPath);
  EXPECT_NE(text.find("[setting]"), std::string::npos);
  EXPECT_NE(text.find("PreviewWidth=275"), std::string::npos);
  EXPECT_NE(text.find("JPEGcompression=42"), std::string::npos);
}

} // namespace
} // namespace lumicomb
