#pragma once
// "Lumicomb setup": the preview size, the file type offered first, the JPEG quality and the
// bits kept of every channel.
// The running settings change only through applyChoices ("OK" or "Save as defaults").
#include "settings/settings.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QSlider;

namespace lumicomb::ui {

class SetupDialog : public QDialog {
  Q_OBJECT
public:
  /// `previewSizeChanged` runs when applyChoices has given the preview size new values; the
  /// caller discards the previews and redraws image 1 when there are images.
  SetupDialog(RunningSettings &settings, SettingsStore &store,
              std::function<void()> previewSizeChanged, QWidget *parent = nullptr);

  /// Copies the controls' values into the running settings.
  void applyChoices();

private:
  void buildPreviewFrame(QGroupBox *frame);
  void buildSaveFrame(QGroupBox *frame);
  void buildButtons();
  void showSettings();
  void saveAsDefaults();

  RunningSettings &m_settings;
  SettingsStore &m_store;
  std::function<void()> m_previewSizeChanged;
  QSlider *m_width = nullptr;
  QSlider *m_height = nullptr;
  QLabel *m_widthLabel = nullptr;
  QLabel *m_heightLabel = nullptr;
  QComboBox *m_fileType = nullptr;
  QSlider *m_jpegQuality = nullptr;
  QComboBox *m_bitDepth = nullptr;
};

} // namespace lumicomb::ui
