#pragma once
// "Add image files": pick files of one folder from a drive list, a folder tree and a file list.
#include "imaging/image_set.h"

#include <QDialog>

class QComboBox;
class QListWidget;
class QModelIndex;
class QPushButton;
class QTreeView;
class QFileSystemModel;

namespace lumicomb::ui {

/// Where the last successful addition was made; kept for the rest of the run, never stored.
struct AddImagesMemory {
  QString lastDrive;
  QString lastFolder;
};

/// Modal; "Add to image list" adds the selected files to the set (in list order) and remembers
/// the drive and folder, Cancel leaves both the set and the memory as they were.
class AddImagesDialog : public QDialog {
  Q_OBJECT
public:
  /// Where the chosen files go: the images, or the darks.
  enum class Target { Images, Darks };

  AddImagesDialog(ImageSet &set, AddImagesMemory &memory, QWidget *parent = nullptr,
                  Target target = Target::Images);

private:
  void makeControls();
  void connectControls();
  void fillDrives();
  void openAtRemembered();
  void showFolder(const QString &drive, const QString &folder);
  void driveChosen();
  void folderChosen(const QModelIndex &current);
  void listFiles(const QString &folder);
  QStringList selectedPaths() const;
  void addSelected();

  ImageSet &m_set;
  AddImagesMemory &m_memory;
  Target m_target;
  QComboBox *m_drives = nullptr;
  QFileSystemModel *m_folderModel = nullptr;
  QTreeView *m_folders = nullptr;
  QListWidget *m_files = nullptr;
  QPushButton *m_cancelButton = nullptr;
  QPushButton *m_addButton = nullptr;
  QString m_folder; ///< the folder whose files the file list shows
};

} // namespace lumicomb::ui
