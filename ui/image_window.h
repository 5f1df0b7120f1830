#pragma once
// "Image": the working window. It lists the images, offers the blend rules with their two
// boxes, shows the selected source and the blended preview, and starts preview and save runs.
#include "app/save_image.h"
#include "imaging/image_loading.h"
#include "settings/settings.h"
#include "ui/add_images_dialog.h"
#include "ui/blend_runner.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace lumicomb::ui {

class PictureBox;

class ImageWindow : public QWidget {
  Q_OBJECT
public:
  ImageWindow(ImageSet &set, RunningSettings &settings, AddImagesMemory &addMemory,
              SaveFileDialog &saveDialog, QWidget *parent = nullptr);

  /// Refills the list from the image set; with images, selects row 0 and shows image 1.
  void refreshImageList();
  /// Shows entry i's preview (making it first if needed) and lays out the right-hand column.
  /// A preview that cannot be made is reported; the box keeps what it showed.
  void showSourcePreview(int i);

  void runPreview();
  void runSave();
  bool isRunning() const { return m_runner.isRunning(); }
  /// Stops a run still going and waits for it.
  void cancelRun() { m_runner.cancelAndWait(); }

signals:
  /// A run started or ended: whatever could start another run or change what it reads is
  /// unavailable meanwhile.
  void runningChanged(bool running);
  /// The window has closed and let go of the set's bitmaps.
  void closed();

protected:
  void closeEvent(QCloseEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;

private:
  void buildImageList();
  void buildBlendOptions();
  void buildPreviewButtons();
  void buildPictures();
  void connectRunner();

  void onListSelectionChanged();
  void onAddImages();
  void onRemoveImages();
  bool refuseWithoutImages();
  PreviewBox previewBox() const;
  /// The request for the chosen rule and its box; nothing, after a message, when the box's text
  /// is refused.
  std::optional<BlendRequest> chosenRequest(RunMode mode);
  /// Starts the job; `whenDone` follows on this thread once it has succeeded.
  void startRun(BlendRunner::Job job, std::function<void()> whenDone);
  void onRunFinished(const QString &failure, bool cancelled);
  void setRunning(bool running);
  void layOutPictureColumn();
  void placeProgressRow(int top, int width);
  void growToFitPictureColumn();

  ImageSet &m_set;
  RunningSettings &m_settings;
  AddImagesMemory &m_addMemory;
  SaveFileDialog &m_saveDialog;
  BlendRunner m_runner;
  std::function<void()> m_whenDone;
  bool m_refilling = false;

  QGroupBox *m_frameEquip = nullptr;
  QListWidget *m_imageList = nullptr;
  QPushButton *m_removeImages = nullptr;
  QPushButton *m_addImages = nullptr;
  QButtonGroup *m_blendOption = nullptr;
  QLineEdit *m_textDivide = nullptr;
  QLineEdit *m_textLimit = nullptr;
  QPushButton *m_preview = nullptr;
  QPushButton *m_save = nullptr;
  QPushButton *m_close = nullptr;
  PictureBox *m_picSmallFrom = nullptr;
  PictureBox *m_picSmallTo = nullptr;
  QProgressBar *m_progress = nullptr;
  QPushButton *m_cancel = nullptr;
};

} // namespace lumicomb::ui
