#pragma once
// "Save image as ...": ask for a name and type, blend, write the file.
#include "engine/image_loading.h"
#include "engine/image_set.h"
#include "engine/memory_budget.h"
#include "engine/run_mode.h"
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

/// Everything a save needs besides the images: where and how to write, and how to blend.
struct SaveJob {
  SaveTarget target;
  int jpegQuality = 100;
  RunMode mode = kLarge;
  PreviewBox box;
  uint64_t memoryBudget = defaultMemoryBudget();
};

/// The save the desktop program makes of a target: full size, with the settings' quality.
SaveJob fullSizeSave(const SaveTarget &target, const RunningSettings &settings);

/// Asks for the file with the default name, the filter string and the settings' initial filter.
/// Nothing when the user cancels. Fails before asking when there are no images.
std::optional<SaveTarget> askSaveTarget(const ImageSet &set, const RunningSettings &settings,
                                        SaveFileDialog &dialog);

/// Checks the target first (see checkedSaveTarget), and at full size that its type can hold
/// image 1's size, so that a bad output costs no blend; then runs the chosen rule and writes the
/// result. False, with nothing written, when the rule refused the number of images (it has
/// shown its message). A cancel, even during the write, fails as Cancelled and writes nothing.
bool blendAndSave(ImageSet &set, WindowOperations &window, const SaveJob &job);

/// askSaveTarget, then blendAndSave at full size. Asks first, so that a cancelled dialog costs
/// no blend. Returns the path written, or nothing when the dialog was cancelled or the rule
/// refused the number of images. Failures name the file or value at fault.
std::optional<std::string> CommandSaveFreeimage(ImageSet &set, const RunningSettings &settings,
                                                WindowOperations &window, SaveFileDialog &dialog);

} // namespace lumicomb
