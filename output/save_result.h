#pragma once
// "Save image as ...": ask for a name and type, blend at full size, write the file.
#include "engine/image_set.h"
#include "engine/window_operations.h"
#include "settings/settings.h"

#include <optional>
#include <string>

namespace lumicomb {

struct SaveChoice {
  std::string fileName;
  int filterIndex; ///< 1-based row of the file-type table
};

/// The save-as dialog, filled in by the desktop program.
class SaveFileDialog {
public:
  virtual ~SaveFileDialog() = default;
  /// Nothing when the user cancels.
  virtual std::optional<SaveChoice>
  askForFile(const std::string &initialName, const std::string &filter, int initialFilterIndex) = 0;
};

/// The file a save writes: the name with the type's extension rule applied, and the type.
struct SaveTarget {
  std::string path;
  int filterIndex;
};

/// Asks for the file with the default name, the filter string and the settings' initial filter.
/// Nothing when the user cancels. Fails before asking when there are no images.
std::optional<SaveTarget> askSaveTarget(const ImageSet &set, const RunningSettings &settings,
                                        SaveFileDialog &dialog);

/// Runs the chosen rule at full size and writes the result to the target. False, with nothing
/// written, when the rule refused the number of images (it has shown its message).
bool blendAndSave(ImageSet &set, const RunningSettings &settings, WindowOperations &window,
                  const SaveTarget &target);

/// askSaveTarget, then blendAndSave. Asks first, so that a cancelled dialog costs no blend; then
/// runs the chosen rule at full size and writes the result with the chosen type's format and flags.
/// Returns the path written, or nothing when the dialog was cancelled or the rule refused the
/// number of images (it has shown its message, and no file is written). Failures name the file or
/// value at fault.
std::optional<std::string> CommandSaveFreeimage(ImageSet &set, const RunningSettings &settings,
                                                WindowOperations &window, SaveFileDialog &dialog);

/// Writes entry 0's result as the given row of the file-type table.
void saveResult(const ImageSet &set, const std::string &path, int filterIndex, int jpegQuality);

} // namespace lumicomb
