#include "output/file_types.h"
#include "support/test_images.h"
#include "ui/modal_helpers.h"
#include "ui/save_dialog.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

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
    EXPECT_EQ(dialog->objectName(), "CommonDialog1");
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

TEST(SaveAsDialog, AsksBeforeTheTypeExtensionLeadsOntoAnExistingFile) {
  test::TempDir dir;
  test::writeWholeFile(dir.file("result.TIF"), "an earlier result");
  const QString typed = QString::fromStdString(dir.file("result"));
  for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
    QString question;
    test::whenModalOpens([&](QWidget *modal) {
      auto *dialog = qobject_cast<QFileDialog *>(modal);
      ASSERT_NE(dialog, nullptr);
      dialog->selectNameFilter("Tiff (*.TIF)");
      // Typed by hand: picking a filter may have rewritten the name shown.
      dialog->findChild<QLineEdit *>("fileNameEdit")->setText(typed);
      test::whenModalOpens([&](QWidget *box) {
        question = qobject_cast<QMessageBox *>(box)->text();
        qobject_cast<QMessageBox *>(box)->button(answer)->click();
      });
      QMetaObject::invokeMethod(dialog, "accept");
    });
    SaveAsDialog saveAs(nullptr);
    const std::optional<SaveChoice> choice =
        saveAs.askForFile(dir.file("frame_1.Lumicomb"), saveFilterString(), 1);
    EXPECT_TRUE(question.contains("result.TIF")) << question.toStdString();
    EXPECT_EQ(choice.has_value(), answer == QMessageBox::Yes);
  }
}

TEST(SaveAsDialog, CancellingAnswersNothing) {
  test::whenModalOpens([](QWidget *modal) { modal->close(); });
  SaveAsDialog saveAs(nullptr);
  EXPECT_FALSE(saveAs.askForFile("x.Lumicomb", saveFilterString(), 1).has_value());
}

} // namespace
} // namespace lumicomb::ui
