#pragma once
// "Image": the working window. It lists the images, offers the blend rules with their two
// boxes, shows the selected source and the blended preview, and starts preview and save runs.
#include "app/save_image.h"
#include "imaging/image_loading.h"
#include "settings/settings.h"
#include "ui/add_images_dialog.h"
#include "ui/blend_runner.h"
#include "ui/kappa_boxes.h"
#include "ui/picture_column.h"
#include "ui/result_viewing.h"

#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace lumicomb::ui {

class MapToggle;
class NightPanel;
class FocusControls;
class TrailControls;

class ImageWindow : public QWidget {
  Q_OBJECT
public:
  ImageWindow(ImageSet &set, RunningSettings &settings, AddImagesMemory &addMemory,
              SaveFileDialog &saveDialog, WindowPlaces &places, QWidget *parent = nullptr);

  /// Refills the lists (the images and the darks) from the image set; with images, selects row 0
  /// and shows image 1.
  void refreshImageList();
  /// Shows entry i's preview (making it first if needed) and lays out the right-hand column.
  /// A preview that cannot be made is reported; the box keeps what it showed.
  void showSourcePreview(int i);

  void runPreview();
  void runSave();
  /// "Blend at full size": blends every image at full size and keeps the result.
  void runFullSize();
  /// The viewer, once it has been opened.
  ViewerWindow *viewer() const { return m_results.viewer(); }
  bool isRunning() const { return m_runner.isRunning(); }
  /// Stops a run still going and waits for it.
  void cancelRun() { m_runner.cancelAndWait(); }

signals:
  /// A run started or ended: whatever could start another run or change what it reads is
  /// unavailable meanwhile.
  void runningChanged(bool running);
  /// The window has closed and let go of the set's bitmaps.
  void closed();
  /// The user ticked or cleared "Align images"; the running settings already say so.
  void alignImagesChanged(bool align);
  /// One of the night sky's boxes changed; the running settings already say so.
  void switchChanged(const QString &key, bool on);

protected:
  void resizeEvent(QResizeEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;

private:
  void buildImageList();
  void buildRuleGroup();
  void buildRunButtons();
  void connectRunner();
  /// Decides from the window's state what is available and visible; every change of that state
  /// ends here.
  void updateActions();

  void onListSelectionChanged();
  void onAddImages();
  void onRemoveImages();
  bool refuseWithoutImages();
  PreviewBox previewBox() const;
  /// The request for the chosen rule and its box; nothing, after a message, when the box's text
  /// is refused.
  std::optional<BlendRequest> chosenRequest(RunMode mode);
  /// The chosen request, unless a run is going or there are no images (which it says); a kept
  /// result of another blend is let go.
  std::optional<BlendRequest> requestToRun(RunMode mode);
  /// Starts the job; `whenDone` follows on this thread once it has succeeded.
  void startRun(BlendRunner::Job job, std::function<void()> whenDone);
  void onRunFinished(const QString &failure, bool cancelled);
  void growToFitPictureColumn();

  ImageSet &m_set;
  RunningSettings &m_settings;
  AddImagesMemory &m_addMemory;
  SaveFileDialog &m_saveDialog;
  BlendRunner m_runner;
  std::function<void()> m_whenDone;
  QStringList m_warnings; ///< said during the run, shown once it is over
  bool m_refilling = false;
  /// Whether the last click on the list left exactly one row selected: "Save image as ..." is
  /// offered then. A refill that empties the list is no click and leaves it as it was.
  bool m_oneRowSelected = true;

  QGroupBox *m_parameterFrame = nullptr;
  QListWidget *m_imageList = nullptr;
  QPushButton *m_removeButton = nullptr;
  QPushButton *m_addButton = nullptr;
  QButtonGroup *m_ruleGroup = nullptr;
  QLineEdit *m_divisorBox = nullptr;
  QLineEdit *m_limitBox = nullptr;
  QPushButton *m_previewButton = nullptr;
  QPushButton *m_saveButton = nullptr;
  QPushButton *m_closeButton = nullptr;
  KappaBoxes m_kappas;
  QCheckBox *m_alignBox = nullptr;
  QPushButton *m_viewButton = nullptr;
  PictureColumn m_column;
  TrailControls *m_trailControls = nullptr;
  FocusControls *m_focusControls = nullptr;
  NightPanel *m_nightPanel = nullptr;
  MapToggle *m_mapToggle = nullptr;
  ResultViewing m_results;
};

} // namespace lumicomb::ui
