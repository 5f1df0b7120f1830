#include "output/file_types.h"
#include "support/test_images.h"
#include "ui/modal_helpers.h"
#include "ui/save_dialog.h"

#include <QFileDialog>

#include <gtest/gtest.h>

namespace lumicomb::ui {
namespace {

TEST(SaveAsDialog, OffersTheFourTypesInTableOrderAndReportsTheChosenOne) {
  EXPECT_EQ(dialogFilters(saveFilterString()),
            (QStringList{"Tiff (*.TIF)", "Jpeg (*.JPG)", "BMP (*.BMP)", "PNG (*.PNG)"}));

  test::TempDir dir;
  const QString target = QString::fromStdString(dir.file("result"));
  QString shownFilter;
  test::whenModalOpens([&](QWidget *modal) {
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    ASSERT_NE(dialog, nullptr);
    shownFilter = dialog->selectedNameFilter();
    dialog->selectNameFilter("BMP (*.BMP)");
    dialog->selectFile(target);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  SaveAsDialog saveAs(nullptr);
  const std::optional<SaveChoice> choice =
      saveAs.askForFile(dir.file("frame_1.Lumicomb"), saveFilterString(), 2);
  EXPECT_EQ(shownFilter, "Jpeg (*.JPG)");
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->fileName, target.toStdString());
  EXPECT_EQ(choice->filterIndex, 3);
}

TEST(SaveAsDialog, CancellingAnswersNothing) {
  test::whenModalOpens([](QWidget *modal) { modal->close(); });
  SaveAsDialog saveAs(nullptr);
  EXPECT_FALSE(saveAs.askForFile("x.Lumicomb", saveFilterString(), 1).has_value());
}

} // namespace
} // namespace lumicomb::ui
