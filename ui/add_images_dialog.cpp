#include "ui/add_images_dialog.h"

#include "ui/control_names.h"
#include "ui/image_adding.h"

#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>

#include <algorithm>

namespace lumicomb::ui {
namespace {

namespace name = names::addImagesDialog;

constexpr int kClientWidth = 338;
constexpr int kClientHeight = 441;

/// Whether `folder` lies on the volume mounted at `root` (a path prefix, not a text prefix).
bool holds(const QString &root, const QString &folder) {
  if (root.isEmpty())
    return false;
  const QString prefix = root.endsWith('/') ? root : root + '/';
  return folder == root || folder.startsWith(prefix);
}

QStringList mountedRoots() {
  QStringList roots;
  for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady())
      roots.append(volume.rootPath());
  roots.sort();
  roots.removeDuplicates();
  return roots;
}

/// The deepest mounted volume holding the folder: the one its files really live on.
QString driveHolding(const QString &folder) {
  QString drive;
  for (const QString &root : mountedRoots())
    if (holds(root, folder) && root.size() > drive.size())
      drive = root;
  return drive.isEmpty() ? QStorageInfo(folder).rootPath() : drive;
}

/// Names in the order a person expects: "frame 9" before "frame 10", case ignored.
QCollator nameOrder() {
  QLocale locale = QLocale::system();
  if (locale.language() == QLocale::C) // the C collation compares code points, numbers and all
    locale = QLocale(QLocale::English);
  QCollator order(locale);
  order.setNumericMode(true);
  order.setCaseSensitivity(Qt::CaseInsensitive);
  return order;
}

/// The files the list offers; name filters ignore letter case, so ".JPG" is included.
QStringList imageNames(const QString &folder) {
  QStringList files =
      QDir(folder).entryList({"*.jpg", "*.tif", "*.png", "*.bmp", "*.webp"}, QDir::Files);
  std::sort(files.begin(), files.end(), nameOrder());
  return files;
}

} // namespace

AddImagesDialog::AddImagesDialog(ImageSet &set, AddImagesMemory &memory, QWidget *parent,
                                 Target target)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_set(set), m_memory(memory),
      m_target(target) {
  setObjectName(name::kWindow);
  setWindowTitle(target == Target::Darks ? tr("Add dark frames") : tr("Add image files"));
  setModal(true);
  setFixedSize(kClientWidth, kClientHeight);
  makeControls();
  connectControls();
  fillDrives();
  openAtRemembered();
  m_addButton->setFocus();
}

void AddImagesDialog::makeControls() {
  m_drives = new QComboBox(this);
  m_drives->setObjectName(name::kDrives);
  m_drives->setGeometry(8, 8, 321, 19);

  m_folderModel = new QFileSystemModel(this);
  m_folderModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  m_folders = new QTreeView(this);
  m_folders->setObjectName(name::kFolders);
  m_folders->setGeometry(8, 32, 321, 120);
  m_folders->setModel(m_folderModel);
  m_folders->setHeaderHidden(true);
  for (int column = 1; column < m_folderModel->columnCount(); ++column)
    m_folders->hideColumn(column);

  m_files = new QListWidget(this);
  m_files->setObjectName(name::kFiles);
  m_files->setGeometry(8, 160, 321, 210);
  m_files->setSelectionMode(QAbstractItemView::ExtendedSelection);

  auto *hint = new QLabel(
      tr("Use [Shift]-click or [Ctrl]-click to select one or multiple images from list"), this);
  hint->setObjectName(name::kHint);
  hint->setGeometry(8, 376, 321, 25);
  hint->setWordWrap(true);

  m_cancelButton = new QPushButton(tr("Cancel"), this);
  m_cancelButton->setObjectName(name::kCancel);
  m_cancelButton->setGeometry(8, 408, 89, 25);
  m_addButton = new QPushButton(tr("Add to image list"), this);
  m_addButton->setObjectName(name::kAdd);
  m_addButton->setGeometry(168, 408, 161, 25);
  m_addButton->setDefault(true);

  setTabOrder(m_addButton, m_drives);
  setTabOrder(m_drives, m_folders);
  setTabOrder(m_folders, m_files);
  setTabOrder(m_files, m_cancelButton);
}

void AddImagesDialog::connectControls() {
  connect(m_drives, &QComboBox::currentIndexChanged, this, &AddImagesDialog::driveChosen);
  connect(m_folders->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &AddImagesDialog::folderChosen);
  // The tree fills in the background; rows arriving above the current folder push it away.
  connect(m_folderModel, &QFileSystemModel::directoryLoaded, this, [this](const QString &path) {
    if (holds(path, m_folder))
      m_folders->scrollTo(m_folders->currentIndex());
  });
  connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_addButton, &QPushButton::clicked, this, &AddImagesDialog::addSelected);
}

void AddImagesDialog::fillDrives() {
  const QSignalBlocker quiet(m_drives);
  m_drives->addItems(mountedRoots());
}

void AddImagesDialog::openAtRemembered() {
  QString folder = m_memory.lastFolder;
  if (folder.isEmpty())
    folder = m_memory.lastDrive.isEmpty() ? QDir::currentPath() : m_memory.lastDrive;
  if (!QFileInfo(folder).isDir())
    folder = QDir::homePath();
  folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  const bool lastDriveFits =
      m_drives->findText(m_memory.lastDrive) >= 0 && holds(m_memory.lastDrive, folder);
  showFolder(lastDriveFits ? m_memory.lastDrive : driveHolding(folder), folder);
}

void AddImagesDialog::showFolder(const QString &drive, const QString &folder) {
  {
    const QSignalBlocker quiet(m_drives);
    if (m_drives->findText(drive) < 0)
      m_drives->addItem(drive);
    m_drives->setCurrentIndex(m_drives->findText(drive));
  }
  m_folderModel->setRootPath(drive);
  m_folders->setRootIndex(m_folderModel->index(drive));
  const QModelIndex current = m_folderModel->index(folder);
  m_folders->setCurrentIndex(current);
  m_folders->expand(current);
  m_folders->scrollTo(current);
  if (m_folder != m_folderModel->filePath(current))
    listFiles(m_folderModel->filePath(current));
}

void AddImagesDialog::driveChosen() {
  const QString drive = m_drives->currentText();
  showFolder(drive, drive);
}

void AddImagesDialog::folderChosen(const QModelIndex &current) {
  if (current.isValid())
    listFiles(m_folderModel->filePath(current));
}

void AddImagesDialog::listFiles(const QString &folder) {
  m_folder = folder;
  m_files->clear();
  m_files->addItems(imageNames(folder));
}

QStringList AddImagesDialog::selectedPaths() const {
  const QDir folder(m_folder);
  QStringList paths;
  for (int row = 0; row < m_files->count(); ++row)
    if (m_files->item(row)->isSelected())
      paths.append(folder.filePath(m_files->item(row)->text()));
  return paths;
}

void AddImagesDialog::addSelected() {
  const QStringList paths = selectedPaths();
  if (!paths.isEmpty()) {
    addImageFiles(this, m_set, paths, m_target == Target::Darks);
    m_memory.lastDrive = m_drives->currentText();
    m_memory.lastFolder = m_folder;
  }
  accept();
}

} // namespace lumicomb::ui
