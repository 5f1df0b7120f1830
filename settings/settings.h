#pragma once
// The running settings and the per-user store they are read from and saved to.
#include <cstdint>
#include <optional>
#include <string>

namespace lumicomb {

struct RunningSettings {
  int64_t previewWidth = 400;
  int64_t previewHeight = 300;
  std::string fileType = "JPG"; ///< matches no save type on purpose: the save offers JPEG first
  int64_t jpegQuality = 100;
  int64_t bitDepth = 8;          ///< bits kept of every channel when saving: 8 or 16
  bool alignImages = false;      ///< whether runs align every image to image 1 first
  bool closeGaps = false;        ///< whether star trails' gaps between frames are closed
  bool removeHotPixels = false;  ///< whether hot pixels are replaced before blending
  bool skipBrightFrames = false; ///< whether frames far brighter than the rest are left out
};

/// Ranges of the setup dialog; stored numbers outside them are clamped.
struct SettingRange {
  int64_t low;
  int64_t high;
};
inline constexpr SettingRange kPreviewWidthRange{250, 500};
inline constexpr SettingRange kPreviewHeightRange{200, 400};
inline constexpr SettingRange kJpegQualityRange{1, 100};

/// The INI store: application "Lumicomb", group "setting", every value as text.
class SettingsStore {
public:
  /// The user's own store in their configuration folder.
  SettingsStore();
  /// A store kept in the given INI file (tests use a temporary one).
  explicit SettingsStore(std::string iniPath);

  /// The stored text of `key`, or nothing when the key is absent.
  std::optional<std::string> value(const std::string &key) const;
  void setValue(const std::string &key, const std::string &value);

private:
  std::optional<std::string> m_iniPath;
};

/// Reads the settings. A stored value that is not a number takes the built-in default; a number
/// outside its range is clamped into it, but a bit depth other than 8 or 16 takes 8. Alignment is
/// on only when stored as 1.
RunningSettings loadSettings(const SettingsStore &store);

inline constexpr char kAlignImagesKey[] = "AlignImages";
inline constexpr char kCloseGapsKey[] = "CloseGaps";
inline constexpr char kRemoveHotPixelsKey[] = "RemoveHotPixels";
inline constexpr char kSkipBrightFramesKey[] = "SkipBrightFrames";

/// Writes every value, changed or not.
void saveSettings(SettingsStore &store, const RunningSettings &settings);
/// Writes the one value the image window changes itself, as soon as it changes.
void saveAlignImages(SettingsStore &store, bool align);
/// Writes one of the window's on-or-off boxes, stored as 1 or 0.
void saveSwitch(SettingsStore &store, const std::string &key, bool on);

} // namespace lumicomb
