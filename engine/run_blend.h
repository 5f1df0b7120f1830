#pragma once
// The one entry point through which a front end asks for a blend.
#include "engine/image_loading.h"
#include "engine/memory_budget.h"
#include "engine/run_mode.h"
#include "engine/window_operations.h"

namespace lumicomb {

enum class RunOutcome {
  Blended, ///< entry 0 holds the new result
  Refused, ///< the rule refused the number of images and said so through the window
};

/// Blends the sources with the rule the window has chosen into entry 0's FullBitmap, always
/// 24-bit RGB and of image 1's size for the run mode; a preview run then draws it. The rule's
/// boxes are checked before any file is decoded. On failure entry 0 keeps its previous result
/// and no source holds a full-size bitmap.
///
/// A rule that refuses the number of images shows its message and decodes nothing; a preview run
/// then shows image 1's preview unchanged, a full-size run leaves entry 0 as it was, so that a
/// refused save writes nothing.
RunOutcome RunBlend(ImageSet &set, const RunMode &mode, WindowOperations &window,
                    const PreviewBox &box, uint64_t memoryBudget = defaultMemoryBudget());

} // namespace lumicomb
