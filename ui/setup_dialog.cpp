#include "ui/setup_dialog.h"

#include "base/errors.h"
#include "ui/control_names.h"
#include "ui/message_box.h"
#include "ui/placed_widgets.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <utility>

namespace lumicomb::ui {
namespace {

namespace name = names::setupDialog;

/// The entries are the stored setting's own values, so they are shown untranslated.
const QStringList kFileTypes = {QStringLiteral("TIFF"), QStringLiteral("JPEG"),
                                QStringLiteral("BMP"), QStringLiteral("PNG")};
const QStringList kBitDepths = {QStringLiteral("8"), QStringLiteral("16")};
constexpr int kPreviewStep = 25;
constexpr int kJpegPageStep = 5;

QLabel *label(QWidget *parent, const char *objectName, const QString &text, QRect geometry) {
  return placed(new QLabel(text, parent), objectName, geometry);
}

/// Ticks mark every page step.
QSlider *slider(QWidget *parent, const char *objectName, QRect geometry, SettingRange range,
                int singleStep, int pageStep) {
  QSlider *control = placed(new QSlider(Qt::Horizontal, parent), objectName, geometry);
  control->setRange(static_cast<int>(range.low), static_cast<int>(range.high));
  control->setSingleStep(singleStep);
  control->setPageStep(pageStep);
  control->setTickPosition(QSlider::TicksBelow);
  control->setTickInterval(pageStep);
  return control;
}

/// Values outside the slider's range show as its nearest end.
void showValue(QSlider *control, int64_t value) {
  control->setValue(
      static_cast<int>(std::clamp<int64_t>(value, control->minimum(), control->maximum())));
}

QString pixelsText(int value) { return SetupDialog::tr("%1 pixels").arg(value); }

/// Only an exact match of an offered name chooses it; anything else offers TIFF.
int fileTypeIndex(const std::string &fileType) {
  return std::max<int>(0, static_cast<int>(kFileTypes.indexOf(QString::fromStdString(fileType))));
}

} // namespace

SetupDialog::SetupDialog(RunningSettings &settings, SettingsStore &store,
                         std::function<void()> previewSizeChanged, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), m_settings(settings),
      m_store(store), m_previewSizeChanged(std::move(previewSizeChanged)) {
  setObjectName(name::kWindow);
  setWindowTitle(tr("Lumicomb setup"));
  setFixedSize(346, 386);

  QGroupBox *blendMode =
      boldGroupBox(this, name::kBlendModeFrame, tr("Default blendmode"), {8, 8, 329, 89});
  QLabel *placeholder =
      label(blendMode, name::kBlendModePlaceholder, tr("To be added"), {56, 32, 193, 25});
  QFont large = placeholder->font();
  large.setPointSizeF(13.8);
  placeholder->setFont(large);

  buildPreviewFrame(boldGroupBox(this, name::kPreviewFrame, tr("Preview"), {8, 104, 329, 73}));
  buildSaveFrame(boldGroupBox(this, name::kSaveFrame, tr("Save file type"), {8, 184, 329, 129}));
  buildButtons();
  showSettings();
}

void SetupDialog::buildPreviewFrame(QGroupBox *frame) {
  label(frame, name::kWidthCaption, tr("Max width"), {8, 16, 65, 17});
  m_width = slider(frame, name::kWidth, {88, 16, 145, 17}, kPreviewWidthRange, kPreviewStep,
                   kPreviewStep);
  m_widthLabel = label(frame, name::kWidthValue, QString(), {248, 16, 65, 17});

  label(frame, name::kHeightCaption, tr("Max height"), {8, 40, 65, 17});
  m_height = slider(frame, name::kHeight, {88, 40, 145, 17}, kPreviewHeightRange, kPreviewStep,
                    kPreviewStep);
  m_heightLabel = label(frame, name::kHeightValue, QString(), {248, 40, 65, 17});

  connect(m_width, &QSlider::valueChanged, m_widthLabel,
          [this](int value) { m_widthLabel->setText(pixelsText(value)); });
  connect(m_height, &QSlider::valueChanged, m_heightLabel,
          [this](int value) { m_heightLabel->setText(pixelsText(value)); });
}

void SetupDialog::buildSaveFrame(QGroupBox *frame) {
  label(frame, name::kFileTypeCaption, tr("Type"), {8, 16, 169, 17});
  m_fileType = placed(new QComboBox(frame), name::kFileType, {8, 32, 313, 19});
  label(frame, name::kJpegQualityCaption, tr("JPEG compression level"), {8, 56, 169, 17});
  m_jpegQuality =
      slider(frame, name::kJpegQuality, {8, 72, 313, 17}, kJpegQualityRange, 1, kJpegPageStep);
  label(frame, name::kBitDepthCaption, tr("Bits per channel"), {8, 100, 169, 17});
  m_bitDepth = placed(new QComboBox(frame), name::kBitDepth, {184, 98, 137, 19});
}

void SetupDialog::buildButtons() {
  auto *saveDefaults =
      placed(new QPushButton(tr("Save as defaults"), this), name::kSaveDefaults, {8, 320, 329, 25});
  auto *cancel = placed(new QPushButton(tr("Cancel"), this), name::kCancel, {8, 352, 73, 25});
  auto *ok = placed(new QPushButton(tr("OK"), this), name::kOk, {256, 352, 81, 25});

  connect(saveDefaults, &QPushButton::clicked, this, &SetupDialog::saveAsDefaults);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ok, &QPushButton::clicked, this, [this] {
    applyChoices();
    accept();
  });

  setTabOrder(m_width, m_height);
  setTabOrder(m_height, m_fileType);
  setTabOrder(m_fileType, m_jpegQuality);
  setTabOrder(m_jpegQuality, m_bitDepth);
  setTabOrder(m_bitDepth, saveDefaults);
  setTabOrder(saveDefaults, cancel);
  setTabOrder(cancel, ok);
}

void SetupDialog::showSettings() {
  showValue(m_width, m_settings.previewWidth);
  showValue(m_height, m_settings.previewHeight);
  m_widthLabel->setText(pixelsText(m_width->value()));
  m_heightLabel->setText(pixelsText(m_height->value()));
  m_fileType->addItems(kFileTypes);
  m_fileType->setCurrentIndex(fileTypeIndex(m_settings.fileType));
  showValue(m_jpegQuality, m_settings.jpegQuality);
  m_bitDepth->addItems(kBitDepths);
  m_bitDepth->setCurrentIndex(m_settings.bitDepth == 16 ? 1 : 0);
}

void SetupDialog::applyChoices() {
  if (m_width->value() != m_settings.previewWidth ||
      m_height->value() != m_settings.previewHeight) {
    m_settings.previewWidth = m_width->value();
    m_settings.previewHeight = m_height->value();
    if (m_previewSizeChanged)
      m_previewSizeChanged();
  }
  m_settings.fileType = m_fileType->currentText().toStdString();
  m_settings.jpegQuality = m_jpegQuality->value();
  m_settings.bitDepth = m_bitDepth->currentIndex() == 1 ? 16 : 8;
}

void SetupDialog::saveAsDefaults() {
  applyChoices();
  try {
    saveSettings(m_store, m_settings);
  } catch (const LumicombError &error) {
    showMessageBox(this, QString::fromStdString(error.what()));
  }
}

} // namespace lumicomb::ui
