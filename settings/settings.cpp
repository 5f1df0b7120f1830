#include "settings/settings.h"

#include "base/errors.h"
#include "base/numbers.h"

#include <QSettings>
#include <QString>

#include <algorithm>
#include <cmath>
#include <memory>

namespace lumicomb {
namespace {

const QString kGroup = QStringLiteral("setting");

std::unique_ptr<QSettings> openStore(const std::optional<std::string> &iniPath) {
  if (iniPath)
    return std::make_unique<QSettings>(QString::fromStdString(*iniPath), QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                     QStringLiteral("Lumicomb"));
}

QString keyPath(const std::string &key) { return kGroup + "/" + QString::fromStdString(key); }

int64_t storedNumber(const SettingsStore &store, const std::string &key, int64_t fallback,
                     SettingRange range) {
  const std::optional<std::string> text = store.value(key);
  if (!text)
    return fallback;
  bool ok = false;
  const double value = QString::fromStdString(*text).trimmed().toDouble(&ok);
  if (!ok || std::isnan(value))
    return fallback;
  const double clamped = std::clamp(roundHalfEven(value), static_cast<double>(range.low),
                                    static_cast<double>(range.high));
  return static_cast<int64_t>(clamped);
}

} // namespace

SettingsStore::SettingsStore() = default;

SettingsStore::SettingsStore(std::string iniPath) : m_iniPath(std::move(iniPath)) {}

std::optional<std::string> SettingsStore::value(const std::string &key) const {
  const auto settings = openStore(m_iniPath);
  const QVariant value = settings->value(keyPath(key));
  if (!value.isValid())
    return std::nullopt;
  return value.toString().toStdString();
}

void SettingsStore::setValue(const std::string &key, const std::string &value) {
  const auto settings = openStore(m_iniPath);
  settings->setValue(keyPath(key), QString::fromStdString(value));
  settings->sync();
  if (settings->status() != QSettings::NoError)
    throw LumicombError(ErrorKind::WriteFailed, "cannot save the settings to " +
                                                    quoted(settings->fileName().toStdString()));
}

RunningSettings loadSettings(const SettingsStore &store) {
  RunningSettings defaults;
  RunningSettings loaded;
  loaded.previewWidth =
      storedNumber(store, "PreviewWidth", defaults.previewWidth, kPreviewWidthRange);
  loaded.previewHeight =
      storedNumber(store, "PreviewHeight", defaults.previewHeight, kPreviewHeightRange);
  loaded.fileType = store.value("FileType").value_or(defaults.fileType);
  loaded.jpegQuality =
      storedNumber(store, "JPEGcompression", defaults.jpegQuality, kJpegQualityRange);
  const int64_t bitDepth = storedNumber(store, "BitDepth", defaults.bitDepth, {0, 64});
  loaded.bitDepth = bitDepth == 16 ? 16 : defaults.bitDepth;
  loaded.alignImages = store.value(kAlignImagesKey).value_or("0") == "1";
  loaded.closeGaps = store.value(kCloseGapsKey).value_or("0") == "1";
  loaded.removeHotPixels = store.value(kRemoveHotPixelsKey).value_or("0") == "1";
  loaded.skipBrightFrames = store.value(kSkipBrightFramesKey).value_or("0") == "1";
  return loaded;
}

void saveSettings(SettingsStore &store, const RunningSettings &settings) {
  store.setValue("PreviewWidth", std::to_string(settings.previewWidth));
  store.setValue("PreviewHeight", std::to_string(settings.previewHeight));
  store.setValue("FileType", settings.fileType);
  store.setValue("JPEGcompression", std::to_string(settings.jpegQuality));
  store.setValue("BitDepth", std::to_string(settings.bitDepth));
  saveAlignImages(store, settings.alignImages);
  saveSwitch(store, kCloseGapsKey, settings.closeGaps);
  saveSwitch(store, kRemoveHotPixelsKey, settings.removeHotPixels);
  saveSwitch(store, kSkipBrightFramesKey, settings.skipBrightFrames);
}

void saveSwitch(SettingsStore &store, const std::string &key, bool on) {
  store.setValue(key, on ? "1" : "0");
}

void saveAlignImages(SettingsStore &store, bool align) {
  store.setValue(kAlignImagesKey, align ? "1" : "0");
}

} // namespace lumicomb
