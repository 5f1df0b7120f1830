#pragma once
// The real main window on a temporary settings store, with a stack of small pictures on disk
// and a scripted save dialog, plus ways to reach the image window's controls by name.
#include "support/scripted_save_dialog.h"
#include "support/test_images.h"
#include "ui/image_window.h"
#include "ui/main_window.h"
#include "ui/modal_helpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace lumicomb::ui {

class WindowTest : public ::testing::Test {
protected:
  test::TempDir dir;
  SettingsStore store{dir.file("Lumicomb.ini")};
  test::ScriptedSaveDialog saveDialog;
  std::unique_ptr<MainWindow> main;

  WindowTest() {
    main = std::make_unique<MainWindow>(store);
    main->setSaveDialog(&saveDialog);
    main->show();
  }

  /// Writes the pictures as frame_1.png ... and adds them to the set, as a drop would.
  std::vector<test::Picture> addStack(int count, int64_t width, int64_t height, unsigned seed) {
    const std::vector<test::Picture> stack = test::randomStack(count, width, height, seed);
    main->imageSet().append(dir.path().string(), test::writeStack(dir, stack));
    return stack;
  }

  ImageWindow *imageWindow() { return main->imageWindow(); }

  template <typename Control> Control *control(const char *name) {
    return test::findControl<Control>(imageWindow(), name);
  }

  void click(const char *name) {
    QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton);
  }

  /// Waits for a run started by a click to end.
  void waitForRun() {
    EXPECT_TRUE(test::waitUntil([this] { return !imageWindow()->isRunning(); }));
    QApplication::processEvents();
  }
};

} // namespace lumicomb::ui
