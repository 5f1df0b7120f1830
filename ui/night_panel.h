#pragma once
// "Night sky": the controls for a night of star trails that stand apart from the rule group: the
// capture order, the hot pixels, bright frames to leave out, the time-lapse box and the darks.
#include "settings/settings.h"
#include "ui/add_images_dialog.h"

#include <QObject>
#include <QString>

class QCheckBox;
class QListWidget;
class QPushButton;
class QWidget;

namespace lumicomb::ui {

class NightPanel : public QObject {
  Q_OBJECT
public:
  /// Places its group below the window's "Close".
  NightPanel(QWidget *window, ImageSet &set, RunningSettings &settings, AddImagesMemory &addMemory);

  /// Refills the darks' list from the set.
  void refreshDarks();
  /// During a run nothing here may change what the run reads.
  void setIdle(bool idle);
  /// The window's height that shows the whole group, with the margin the frames keep.
  int neededHeight() const;
  /// Whether a save is to write every step as a frame of a time-lapse too.
  bool savesSteps() const;
  /// The boxes' part of a request.
  bool removesHotPixels() const;
  bool skipsBrightFrames() const;
  /// Where a save to `path` writes its time-lapse frames: beside it, in "<name>_frames".
  static std::string stepsFolderFor(const std::string &path);

signals:
  /// The images were put in the order they were taken.
  void imagesReordered();
  /// The darks were added to or removed from.
  void darksChanged();
  /// A box the settings keep changed; the running settings already say so.
  void switchChanged(const QString &key, bool on);

private:
  void addDarks();
  void removeDarks();

  ImageSet &m_set;
  AddImagesMemory &m_addMemory;
  QWidget *m_window;
  QWidget *m_frame = nullptr;
  QPushButton *m_sortButton = nullptr;
  QCheckBox *m_hotPixels = nullptr;
  QCheckBox *m_skipBright = nullptr;
  QListWidget *m_darks = nullptr;
  QPushButton *m_addDarks = nullptr;
  QPushButton *m_removeDarks = nullptr;
  QCheckBox *m_saveSteps = nullptr;
};

} // namespace lumicomb::ui
