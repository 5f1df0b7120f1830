#include "settings/settings.h"

#include "blend/functions.h"
#include "engine/errors.h"

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
  const std::optional<std::string> text = store.GetSetting(key);
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

std::optional<std::string> SettingsStore::GetSetting(const std::string &key) const {
  const auto settings = openStore(m_iniPath);
  const QVariant value = settings->value(keyPath(key));
  if (!value.isValid())
    return std::nullopt;
  return value.toString().toStdString();
}

void SettingsStore::SaveSetting(const std::string &key, const std::string &value) {
  const auto settings = openStore(m_iniPath);
  settings->setValue(keyPath(key), QString::fromStdString(value));
  settings->sync();
  if (settings->status() != QSettings::NoError)
    throw LumicombError(ErrorKind::WriteFailed, "cannot save the settings to " +
                                                    quoted(settings->fileName().toStdString()));
}

RunningSettings LoadSettings(const SettingsStore &store) {
  RunningSettings defaults;
  RunningSettings loaded;
  loaded.PreviewWidth =
      storedNumber(store, "PreviewWidth", defaults.PreviewWidth, kPreviewWidthRange);
  loaded.PreviewHeight =
      storedNumber(store, "PreviewHeight", defaults.PreviewHeight, kPreviewHeightRange);
  loaded.FileType = store.GetSetting("FileType").value_or(defaults.FileType);
  loaded.JPEGcompression =
      storedNumber(store, "JPEGcompression", defaults.JPEGcompression, kJpegQualityRange);
  return loaded;
}

void SaveSettings(SettingsStore &store, const RunningSettings &settings) {
  store.SaveSetting("PreviewWidth", std::to_string(settings.PreviewWidth));
  store.SaveSetting("PreviewHeight", std::to_string(settings.PreviewHeight));
  store.SaveSetting("FileType", settings.FileType);
  store.SaveSetting("JPEGcompression", std::to_string(settings.JPEGcompression));
}

} // namespace lumicomb
