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
  const RunningSettings loaded = LoadSettings(store);
  EXPECT_EQ(loaded.PreviewWidth, 400);
  EXPECT_EQ(loaded.PreviewHeight, 300);
  EXPECT_EQ(loaded.FileType, "JPG");
  EXPECT_EQ(loaded.JPEGcompression, 100);
}

TEST_F(SettingsTest, StoredValuesAreReadFromTheSettingGroup) {
  storeText("PreviewWidth=410\nPreviewHeight=250\nFileType=TIFF\nJPEGcompression=85\n");
  const RunningSettings loaded = LoadSettings(store);
  EXPECT_EQ(loaded.PreviewWidth, 410);
  EXPECT_EQ(loaded.PreviewHeight, 250);
  EXPECT_EQ(loaded.FileType, "TIFF");
  EXPECT_EQ(loaded.JPEGcompression, 85);
}

TEST_F(SettingsTest, ValuesThatAreNotNumbersFallBackToTheDefaults) {
  storeText("PreviewWidth=wide\nPreviewHeight=\nJPEGcompression=12abc\nFileType=whatever\n");
  const RunningSettings loaded = LoadSettings(store);
  EXPECT_EQ(loaded.PreviewWidth, 400);
  EXPECT_EQ(loaded.PreviewHeight, 300);
  EXPECT_EQ(loaded.JPEGcompression, 100);
  EXPECT_EQ(loaded.FileType, "whatever") << "the file type is free text";
}

TEST_F(SettingsTest, NumbersOutsideTheDialogRangesAreClamped) {
  storeText("PreviewWidth=10\nPreviewHeight=99999999999\nJPEGcompression=-5\n");
  RunningSettings loaded = LoadSettings(store);
  EXPECT_EQ(loaded.PreviewWidth, 250);
  EXPECT_EQ(loaded.PreviewHeight, 400);
  EXPECT_EQ(loaded.JPEGcompression, 1);

  storeText("PreviewWidth=501\nPreviewHeight=199\nJPEGcompression=101\n");
  loaded = LoadSettings(store);
  EXPECT_EQ(loaded.PreviewWidth, 500);
  EXPECT_EQ(loaded.PreviewHeight, 200);
  EXPECT_EQ(loaded.JPEGcompression, 100);
}

TEST_F(SettingsTest, SavedSettingsComeBackAsPlainText) {
  RunningSettings chosen;
  chosen.PreviewWidth = 275;
  chosen.PreviewHeight = 225;
  chosen.FileType = "TIFF";
  chosen.JPEGcompression = 42;
  SaveSettings(store, chosen);

  const RunningSettings loaded = LoadSettings(SettingsStore(iniPath));
  EXPECT_EQ(loaded.PreviewWidth, 275);
  EXPECT_EQ(loaded.PreviewHeight, 225);
  EXPECT_EQ(loaded.FileType, "TIFF");
  EXPECT_EQ(loaded.JPEGcompression, 42);
  const std::string text = test::readWholeFile(iniPath);
  EXPECT_NE(text.find("[setting]"), std::string::npos);
  EXPECT_NE(text.find("PreviewWidth=275"), std::string::npos);
  EXPECT_NE(text.find("JPEGcompression=42"), std::string::npos);
}

} // namespace
} // namespace lumicomb
