#pragma once
// "Add image files": pick files of one folder from a drive list, a folder tree and a file list.
#include "engine/image_set.h"

#include <QDialog>

class QComboBox;
class QListWidget;
class QTreeView;
class QFileSystemModel;

namespace lumicomb::ui {

/// Where the last successful addition was made; kept for the rest of the run, never stored.
struct AddImagesMemory {
  QString LastDrive;
  QString LastFolder;
};

class FormAddImages : public QDialog {
  Q_OBJECT
public:
  FormAddImages(ImageSet &set, AddImagesMemory &memory, QWidget *parent = nullptr);
};

} // namespace lumicomb::ui
