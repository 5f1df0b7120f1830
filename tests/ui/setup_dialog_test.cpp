#include "ui/setup_dialog.h"

#include "support/test_images.h"
#include "ui/modal_helpers.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace lumicomb::ui {
namespace {

class SetupDialogTest : public ::testing::Test {
protected:
  test::TempDir dir;
  std::string iniPath = dir.file("Lumicomb.ini");
  SettingsStore store{iniPath};
  RunningSettings settings;
  std::vector<std::pair<int64_t, int64_t>> sizeChanges; ///< the preview size each call saw
  std::unique_ptr<SetupDialog> dialog;

  SetupDialog &open() {
    dialog = std::make_unique<SetupDialog>(settings, store, [this] {
      sizeChanges.emplace_back(settings.previewWidth, settings.previewHeight);
    });
    dialog->show();
    return *dialog;
  }

  template <typename Control> Control *control(const char *name) {
    return test::findControl<Control>(dialog.get(), name);
  }
  QSlider *slider(const char *name) { return control<QSlider>(name); }
  QComboBox *fileType() { return control<QComboBox>("ComboFiletype"); }
  QString labelText(const char *name) { return control<QLabel>(name)->text(); }
  void click(const char *name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }

  void expectSettings(int64_t width, int64_t height, const std::string &type, int64_t quality) {
    EXPECT_EQ(settings.previewWidth, width);
    EXPECT_EQ(settings.previewHeight, height);
    EXPECT_EQ(settings.fileType, type);
    EXPECT_EQ(settings.jpegQuality, quality);
  }
};

TEST_F(SetupDialogTest, AnEmptyStoreShowsTheDefaultsAndOkTurnsTheUnknownTypeIntoTiff) {
  settings = loadSettings(store);
  open();
  EXPECT_EQ(dialog->objectName(), "FormSetup");
  EXPECT_EQ(dialog->windowTitle(), "Lumicomb setup");
  EXPECT_EQ(fileType()->currentText(), "TIFF");
  EXPECT_EQ(fileType()->count(), 4);
  EXPECT_EQ(slider("SliderPreviewWidth")->value(), 400);
  EXPECT_EQ(slider("SliderPreviewHeight")->value(), 300);
  EXPECT_EQ(slider("SliderJPEGcompression")->value(), 100);
  EXPECT_EQ(labelText("LabelPreviewWidth"), "400 pixels");
  EXPECT_EQ(labelText("LabelPreviewHeight"), "300 pixels");

  click("CommandOK");
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  expectSettings(400, 300, "TIFF", 100);
  EXPECT_TRUE(sizeChanges.empty());
}

TEST_F(SetupDialogTest, OnlyAnExactTypeNameChoosesItsEntry) {
  const std::vector<std::pair<std::string, QString>> cases = {
      {"jpeg", "TIFF"}, {"JPG", "TIFF"}, {"PNG", "PNG"}, {"JPEG", "JPEG"}, {"BMP", "BMP"}};
  for (const auto &[stored, shown] : cases) {
    settings.fileType = stored;
    open();
    EXPECT_EQ(fileType()->currentText(), shown) << stored;
  }
}

TEST_F(SetupDialogTest, SizesBetweenTicksAreKeptAndSizesOutsideShowTheNearestEnd) {
  settings.previewWidth = 410;
  settings.previewHeight = 900;
  open();
  EXPECT_EQ(slider("SliderPreviewWidth")->value(), 410);
  EXPECT_EQ(labelText("LabelPreviewWidth"), "410 pixels");
  EXPECT_EQ(labelText("LabelPreviewHeight"), "400 pixels");

  click("CommandOK");
  expectSettings(410, 400, "TIFF", 100);
  EXPECT_EQ(sizeChanges.size(), 1u);
}

TEST_F(SetupDialogTest, TypeAndQualityAloneLeaveThePreviews) {
  open();
  fileType()->setCurrentIndex(3);
  slider("SliderJPEGcompression")->setValue(42);
  click("CommandOK");
  expectSettings(400, 300, "PNG", 42);
  EXPECT_TRUE(sizeChanges.empty());
}

TEST_F(SetupDialogTest, ANewHeightGivesBothSizesBeforeThePreviewsAreRedrawnOnce) {
  open();
  slider("SliderPreviewWidth")->setValue(450);
  slider("SliderPreviewWidth")->setValue(400);
  slider("SliderPreviewHeight")->setValue(250);
  click("CommandOK");
  expectSettings(400, 250, "TIFF", 100);
  ASSERT_EQ(sizeChanges.size(), 1u);
  EXPECT_EQ(sizeChanges[0], std::make_pair(int64_t{400}, int64_t{250}));
}

TEST_F(SetupDialogTest, MovingASizeSliderChangesOnlyItsLabel) {
  open();
  slider("SliderPreviewWidth")->setValue(425);
  EXPECT_EQ(labelText("LabelPreviewWidth"), "425 pixels");
  EXPECT_EQ(labelText("LabelPreviewHeight"), "300 pixels");
  slider("SliderPreviewHeight")->setValue(225);
  EXPECT_EQ(labelText("LabelPreviewHeight"), "225 pixels");
  expectSettings(400, 300, "JPG", 100);
  EXPECT_TRUE(sizeChanges.empty());
}

TEST_F(SetupDialogTest, SaveAsDefaultsStoresEverySettingAndAnyLaterCancelKeepsThem) {
  open();
  auto *bitDepth = dialog->findChild<QComboBox *>("ComboBitDepth");
  ASSERT_NE(bitDepth, nullptr);
  EXPECT_EQ(bitDepth->currentText(), "8");
  slider("SliderPreviewWidth")->setValue(475);
  fileType()->setCurrentIndex(2);
  slider("SliderJPEGcompression")->setValue(80);
  bitDepth->setCurrentText("16");
  click("CommandSaveDefault");
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(sizeChanges.size(), 1u);

  const RunningSettings saved = loadSettings(SettingsStore(iniPath));
  EXPECT_EQ(saved.previewWidth, 475);
  EXPECT_EQ(saved.previewHeight, 300);
  EXPECT_EQ(saved.fileType, "BMP");
  EXPECT_EQ(saved.jpegQuality, 80);
  EXPECT_EQ(saved.bitDepth, 16);

  click("CommandCancel");
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  expectSettings(475, 300, "BMP", 80);
}

TEST_F(SetupDialogTest, CancelChangesNothing) {
  open();
  slider("SliderPreviewWidth")->setValue(500);
  slider("SliderPreviewHeight")->setValue(200);
  fileType()->setCurrentIndex(1);
  slider("SliderJPEGcompression")->setValue(10);
  click("CommandCancel");
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  expectSettings(400, 300, "JPG", 100);
  EXPECT_TRUE(sizeChanges.empty());
  EXPECT_FALSE(store.value("PreviewWidth"));
}

TEST_F(SetupDialogTest, TheWindowCloseControlActsAsCancel) {
  SetupDialog modal(settings, store, [this] { sizeChanges.emplace_back(); });
  test::whenModalOpens([](QWidget *window) {
    window->findChild<QSlider *>("SliderPreviewHeight")->setValue(250);
    window->close();
  });
  EXPECT_EQ(modal.exec(), QDialog::Rejected);
  expectSettings(400, 300, "JPG", 100);
  EXPECT_TRUE(sizeChanges.empty());
}

TEST_F(SetupDialogTest, AStoreThatCannotBeWrittenIsReportedAndTheDialogStaysOpen) {
  test::writeWholeFile(dir.file("blocker"), "a file where a folder should be");
  SettingsStore unwritable(dir.file("blocker/Lumicomb.ini"));
  SetupDialog setup(settings, unwritable, nullptr);
  setup.show();
  setup.findChild<QSlider *>("SliderJPEGcompression")->setValue(60);
  QString message;
  test::acceptNextMessage(&message);
  QTest::mouseClick(setup.findChild<QPushButton *>("CommandSaveDefault"), Qt::LeftButton);
  EXPECT_TRUE(message.contains("cannot save the settings")) << message.toStdString();
  EXPECT_TRUE(setup.isVisible());
  EXPECT_EQ(settings.jpegQuality, 60);
}

} // namespace
} // namespace lumicomb::ui
