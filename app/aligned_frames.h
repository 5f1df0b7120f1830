#pragma once
// "--save-aligned": every source as the aligned run saw it, for use in other tools.
#include "imaging/image_set.h"
#include "passes/alignment_plan.h"
#include "passes/run_observer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumicomb {

/// The name source i's aligned copy is written under in the folder: its number and its name,
/// "0003-IMG_2041.tif", so that the files sort in the order they were blended.
std::string alignedFrameName(const ImageSet &set, int i);

/// Makes the folder if it is missing and checks that the frames can be written there, before
/// anything is blended; fails naming the folder.
void prepareAlignedFramesFolder(const std::string &folder);

/// Writes every source moved into image 1's frame and cut to the plan's crop as a 16-bit TIFF in
/// the folder, in `profile` (image 1's; empty for sRGB), each file atomically. A cancel stops
/// between and during the writes.
void saveAlignedFrames(ImageSet &set, const AlignmentPlan &plan,
                       const std::vector<uint8_t> &profile, const std::string &folder,
                       uint64_t memoryBudget, RunObserver &observer);

} // namespace lumicomb
