#include "ui/about_dialog.h"

#include "ui/modal_helpers.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace lumicomb::ui {
namespace {

QString labelText(const QWidget &box, const char *name) {
  const auto *label = box.findChild<QLabel *>(name);
  return label ? label->text() : QStringLiteral("<no %1>").arg(name);
}

TEST(RevisionTextTest, IsPlainDecimalsWithoutPadding) {
  EXPECT_EQ(revisionText(2, 10, 0), "Revision 2.10.0");
  EXPECT_EQ(revisionText(1, 0, 2), "Revision 1.0.2");
}

TEST(AboutDialogTest, ShowsTheProductItsRevisionAndTheImageLibrary) {
  AboutDialog about;
  EXPECT_EQ(about.objectName(), "FormAbout");
  EXPECT_EQ(about.windowTitle(), "About");
  EXPECT_EQ(labelText(about, "Label1"), "Orvandel Lumicomb");
  EXPECT_EQ(labelText(about, "LabelRevision"), "Revision 1.0.2");
  EXPECT_EQ(labelText(about, "Label2"), QString::fromUtf8("Uses FreeImage \u00A9 module"));
  for (const char *library : {"FreeImage 3.", "LittleCMS 2.", "Exiv2 0.", "OpenCV 4."})
    EXPECT_TRUE(labelText(about, "LabelLibraries").contains(library)) << library;
  const auto *image = about.findChild<QLabel *>("Image1");
  ASSERT_NE(image, nullptr);
  EXPECT_FALSE(image->pixmap().isNull()) << "the program icon did not load";
}

TEST(AboutDialogTest, CloseDismissesTheBox) {
  AboutDialog about;
  test::whenModalOpens([](QWidget *modal) {
    QTest::mouseClick(modal->findChild<QPushButton *>("Command1"), Qt::LeftButton);
  });
  EXPECT_EQ(about.exec(), QDialog::Accepted);
}

} // namespace
} // namespace lumicomb::ui
