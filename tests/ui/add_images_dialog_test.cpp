#include "ui/add_images_dialog.h"

#include "support/test_images.h"
#include "ui/image_adding.h"
#include "ui/modal_helpers.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace lumicomb::ui {
namespace {

void writeImage(const std::string &path, FREE_IMAGE_FORMAT format) {
  std::mt19937 random(3);
  test::writePicture(test::randomPicture(5, 3, random), path, format);
}

QString qtPath(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }

/// One folder and file name per source, in the set's order.
std::vector<std::pair<std::string, std::string>> sources(const ImageSet &set) {
  std::vector<std::pair<std::string, std::string>> listed;
  for (int i = 1; i <= set.sourceCount(); ++i)
    listed.emplace_back(set.entry(i).folder, set.entry(i).name);
  return listed;
}

class ImageAddingTest : public ::testing::Test {
protected:
  test::TempDir dir;
  ImageSet set;
  std::string folder = dir.path().string();

  void SetUp() override {
    writeImage(dir.file("a.png"), FIF_PNG);
    writeImage(dir.file("b.jpg"), FIF_JPEG);
    test::writeWholeFile(dir.file("notes.txt"), "not a picture\n");
    set.append("/earlier", {"first.png"});
  }
  QString path(const std::string &name) { return qtPath(dir.file(name)); }
};

TEST_F(ImageAddingTest, ReadableFilesJoinInOrderAndTheRefusedShareOneMessage) {
  test::MessageCollector messages;
  EXPECT_EQ(addImageFiles(nullptr, set,
                          {path("b.jpg"), path("notes.txt"), path("a.png"), path("gone.bmp")}),
            2);
  EXPECT_EQ(sources(set), (decltype(sources(set)){
                              {"/earlier", "first.png"}, {folder, "b.jpg"}, {folder, "a.png"}}));
  EXPECT_EQ(messages.texts(), QStringList{"These files were not added:\n'" + path("notes.txt") +
                                          "': not an image file FreeImage can decode\n'" +
                                          path("gone.bmp") + "': No such file or directory"});
}

TEST_F(ImageAddingTest, AllReadableNeedsNoMessage) {
  test::MessageCollector messages;
  EXPECT_EQ(addImageFiles(nullptr, set, {path("a.png"), path("a.png")}), 2);
  EXPECT_EQ(set.sourceCount(), 3);
  EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(ImageAddingTest, AFullListTakesNoMoreAndSaysWhy) {
  set.append(folder, std::vector<std::string>(ImageSet::kMaxSources - 2, "a.png"));
  test::MessageCollector messages;
  EXPECT_EQ(addImageFiles(nullptr, set, {path("b.jpg"), path("a.png"), path("b.jpg")}), 1);
  EXPECT_EQ(set.sourceCount(), ImageSet::kMaxSources);
  EXPECT_EQ(set.entry(ImageSet::kMaxSources).name, "b.jpg");
  ASSERT_EQ(messages.texts().size(), 1);
  EXPECT_TRUE(messages.texts()[0].contains("32767")) << messages.texts()[0].toStdString();
}

class AddImagesDialogTest : public ::testing::Test {
protected:
  test::TempDir dir;
  QString folder = QDir(qtPath(dir.path())).canonicalPath();
  QString subFolder = folder + "/sub";
  QString earlierCurrent = QDir::currentPath();
  ImageSet set;
  AddImagesMemory memory;
  std::unique_ptr<AddImagesDialog> dialog;

  void SetUp() override {
    for (auto [name, format] : {std::pair{"d.bmp", FIF_BMP},
                                {"B.PNG", FIF_PNG},
                                {"a.jpg", FIF_JPEG},
                                {"p10.png", FIF_PNG},
                                {"c.tif", FIF_TIFF},
                                {"p2.png", FIF_PNG},
                                {"e.jpeg", FIF_JPEG},
                                {"f.tiff", FIF_TIFF},
                                {"g.webp", FIF_WEBP}})
      writeImage(dir.file(name), format);
    test::writeWholeFile(dir.file("notes.txt"), "not a picture\n");
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_directory(dir.path() / "folder.png");
    writeImage(dir.file("sub/z.png"), FIF_PNG);
    QDir::setCurrent(folder);
    set.append("/earlier", {"first.png"});
  }
  void TearDown() override { QDir::setCurrent(earlierCurrent); }

  AddImagesDialog &open() {
    dialog = std::make_unique<AddImagesDialog>(set, memory);
    dialog->show();
    return *dialog;
  }
  template <typename Control> Control *control(const char *name) {
    return test::findControl<Control>(dialog.get(), name);
  }
  QListWidget *files() { return control<QListWidget>("File1"); }
  QTreeView *folders() { return control<QTreeView>("Dir1"); }
  QFileSystemModel *folderModel() { return qobject_cast<QFileSystemModel *>(folders()->model()); }
  QString treeFolder() { return folderModel()->filePath(folders()->currentIndex()); }
  QString drive() { return control<QComboBox>("Drive1")->currentText(); }
  void click(const char *name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }

  QStringList rows() {
    QStringList names;
    for (int row = 0; row < files()->count(); ++row)
      names.append(files()->item(row)->text());
    return names;
  }
  void select(std::initializer_list<int> rowsInClickOrder) {
    for (int row : rowsInClickOrder)
      files()->item(row)->setSelected(true);
  }
  void chooseFolder(const QString &path) { folders()->setCurrentIndex(folderModel()->index(path)); }
};

TEST_F(AddImagesDialogTest, LaysOutTheControlsAndStartsOnTheAddButton) {
  open();
  EXPECT_EQ(dialog->objectName(), "FormAddImages");
  EXPECT_EQ(dialog->windowTitle(), "Add image files");
  EXPECT_EQ(dialog->size(), QSize(338, 441));
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
  EXPECT_FALSE(dialog->windowFlags() &
               (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(control<QComboBox>("Drive1")->geometry(), QRect(8, 8, 321, 19));
  EXPECT_FALSE(control<QComboBox>("Drive1")->isEditable());
  EXPECT_EQ(folders()->geometry(), QRect(8, 32, 321, 120));
  EXPECT_EQ(files()->geometry(), QRect(8, 160, 321, 210));
  EXPECT_EQ(files()->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(control<QLabel>("Label1")->geometry(), QRect(8, 376, 321, 25));
  EXPECT_EQ(control<QLabel>("Label1")->text(),
            "Use [Shift]-click or [Ctrl]-click to select one or multiple images from list");
  EXPECT_EQ(control<QPushButton>("CmdCancel")->geometry(), QRect(8, 408, 89, 25));
  EXPECT_EQ(control<QPushButton>("CmdCancel")->text(), "Cancel");
  EXPECT_EQ(control<QPushButton>("CmdAddImages")->geometry(), QRect(168, 408, 161, 25));
  EXPECT_EQ(control<QPushButton>("CmdAddImages")->text(), "Add to image list");

  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  QWidget *expected[] = {control<QPushButton>("CmdAddImages"), control<QComboBox>("Drive1"),
                         folders(), files(), control<QPushButton>("CmdCancel")};
  for (QWidget *next : expected) {
    EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
}

TEST_F(AddImagesDialogTest, TheFirstOpeningShowsTheCurrentFolderAndItsPicturesByName) {
  open();
  EXPECT_EQ(treeFolder(), folder);
  EXPECT_EQ(drive(), QStorageInfo(folder).rootPath());
  EXPECT_EQ(folderModel()->filePath(folders()->rootIndex()), drive());
  EXPECT_EQ(rows(),
            (QStringList{"a.jpg", "B.PNG", "c.tif", "d.bmp", "g.webp", "p2.png", "p10.png"}));
}

TEST_F(AddImagesDialogTest, AddingTakesTheSelectedRowsInListOrderAndRemembersTheFolder) {
  open();
  select({3, 0, 2});
  click("CmdAddImages");
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  const std::string here = folder.toStdString();
  EXPECT_EQ(sources(set),
            (decltype(sources(set)){
                {"/earlier", "first.png"}, {here, "a.jpg"}, {here, "c.tif"}, {here, "d.bmp"}}));
  EXPECT_EQ(memory.lastFolder, folder);
  EXPECT_EQ(memory.lastDrive, QStorageInfo(folder).rootPath());

  open(); // the same file again is simply added again
  select({0});
  click("CmdAddImages");
  EXPECT_EQ(set.sourceCount(), 5);
  EXPECT_EQ(set.entry(5).name, "a.jpg");
}

TEST_F(AddImagesDialogTest, AddingDarksPutsTheFilesInTheDarksList) {
  dialog = std::make_unique<AddImagesDialog>(set, memory, nullptr, AddImagesDialog::Target::Darks);
  dialog->show();
  EXPECT_EQ(dialog->windowTitle(), "Add dark frames");
  select({2, 0});
  click("CmdAddImages");
  EXPECT_EQ(set.sourceCount(), 1);
  EXPECT_EQ(set.darkCount(), 2);
  EXPECT_EQ(set.darkPath(2), folder.toStdString() + "/c.tif");
}

TEST_F(AddImagesDialogTest, ANewFolderListsItsFilesAndTheNextOpeningReturnsThere) {
  open();
  chooseFolder(subFolder);
  EXPECT_EQ(rows(), QStringList{"z.png"});
  select({0});
  click("CmdAddImages");
  EXPECT_EQ(memory.lastFolder, subFolder);

  open();
  EXPECT_EQ(treeFolder(), subFolder);
  EXPECT_EQ(rows(), QStringList{"z.png"});
}

TEST_F(AddImagesDialogTest, ChangingTheDriveMovesToItsRootFolder) {
  open();
  auto *drives = control<QComboBox>("Drive1");
  const int other = drives->currentIndex() == 0 ? drives->count() - 1 : 0;
  if (other == drives->currentIndex())
    GTEST_SKIP() << "only one volume is mounted";
  drives->setCurrentIndex(other);
  EXPECT_EQ(treeFolder(), drives->currentText());
  EXPECT_EQ(folderModel()->filePath(folders()->rootIndex()), drives->currentText());
  EXPECT_FALSE(rows().contains("a.jpg"));
}

TEST_F(AddImagesDialogTest, LeavingWithoutAdditionChangesNeitherTheListNorTheMemory) {
  memory = {"/", folder};
  open();
  chooseFolder(subFolder);
  click("CmdAddImages"); // nothing selected
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(set.sourceCount(), 1);
  EXPECT_EQ(memory.lastFolder, folder);

  open();
  chooseFolder(subFolder);
  select({0});
  click("CmdCancel");
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(set.sourceCount(), 1);
  EXPECT_EQ(memory.lastFolder, folder);

  open();
  chooseFolder(subFolder);
  dialog->close();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(memory.lastFolder, folder);
}

TEST_F(AddImagesDialogTest, ADeletedFolderFallsBackToTheHomeFolder) {
  memory = {"/", folder + "/gone"};
  open();
  EXPECT_EQ(treeFolder(), QDir::cleanPath(QDir::homePath()));
  EXPECT_EQ(drive(), QStorageInfo(QDir::homePath()).rootPath());
}

TEST_F(AddImagesDialogTest, ARefusedFileIsReportedAndTheOthersAdded) {
  test::writeWholeFile(dir.file("ab.png"), "not a picture either\n");
  open();
  ASSERT_EQ(rows()[1], "ab.png");
  test::MessageCollector messages;
  select({0, 1, 2});
  click("CmdAddImages");
  EXPECT_EQ(set.sourceCount(), 3);
  EXPECT_EQ(set.entry(2).name, "a.jpg");
  EXPECT_EQ(set.entry(3).name, "B.PNG");
  EXPECT_EQ(messages.texts(), QStringList{"These files were not added:\n'" + folder +
                                          "/ab.png': not an image file FreeImage can decode"});
  EXPECT_EQ(memory.lastFolder, folder);
}

} // namespace
} // namespace lumicomb::ui
