#pragma once
// "Save image as ...": ask for a name and type, blend, write the file. Both front ends save
// through blendAndSave.
#include "imaging/image_set.h"
#include "passes/alignment_plan.h"
#include "passes/blend_request.h"
#include "passes/run_observer.h"
#include "settings/settings.h"

#include <memory>
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
  bool operator==(const SaveTarget &) const = default;
};

/// Everything a save needs besides the images: where and how to write, and what to blend.
struct SaveJob {
  SaveTarget target = {};
  int jpegQuality = 100;
  BlendRequest request = {};
  /// In an aligned run, the folder every aligned source is also written to as a 16-bit TIFF;
  /// empty: none.
  std::string alignedFramesFolder = {};
  /// Where the master dark made of the set's darks is also written, in the type its extension
  /// names; empty: nowhere.
  std::string masterDarkPath = {};
  /// Where every step is also written as a frame of a time-lapse; empty: nowhere.
  std::string sequenceFolder = {};
  /// How many of the last images each step of the time-lapse blends (0: all of them).
  int window = 0;
  /// Where the rule's map is also written (the request must ask for it), as a 16-bit TIFF or PNG
  /// of the file-type row `mapFilterIndex`; empty: none.
  std::string mapPath = {};
  int mapFilterIndex = 0;

  /// Every field, so that whatever is added here counts where a save must know whether it asks
  /// for more than the result's file (a kept result can give that file alone).
  bool operator==(const SaveJob &) const = default;
};

/// Asks for the file with the default name, the filter string and the settings' initial filter.
/// Nothing when the user cancels. Fails before asking when there are no images.
std::optional<SaveTarget> askSaveTarget(const ImageSet &set, const RunningSettings &settings,
                                        SaveFileDialog &dialog);

/// Checks the target first (see checkedSaveTarget), and at full size that its type can hold
/// image 1's size, so that a bad output costs no blend; then blends and writes the result, and
/// the map when the job names one: both are written whole before either takes its name, so a
/// failure leaves neither behind.
/// Returns the rule's refusal of the image count, with nothing written, or nothing once the file
/// is written. A cancel, even during the write, fails as Cancelled and writes nothing. An
/// aligned run tells `alignment` where the sources lay and what the crop is.
/// A time-lapse's frames are written as the run goes, on threads of their own, each atomically;
/// `videoCommand`, when given, is told how to make a video of them.
std::optional<std::string> blendAndSave(ImageSet &set, const SaveJob &job, RunObserver &observer,
                                        std::shared_ptr<const AlignmentPlan> *alignment = nullptr,
                                        std::string *videoCommand = nullptr);

} // namespace lumicomb
