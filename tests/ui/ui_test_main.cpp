// Runs the window tests inside one QApplication on Qt's offscreen platform, so they need no
// display; a QT_QPA_PLATFORM already set (to watch them on a screen) is kept.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char *argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
