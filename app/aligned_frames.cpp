#include "app/aligned_frames.h"

#include "base/errors.h"
#include "imaging/image_decoding.h"
#include "output/file_types.h"
#include "output/result_file.h"
#include "output/save_target.h"
#include "passes/aligned_sources.h"
#include "passes/stage_progress.h"

#include <cstdio>
#include <filesystem>

namespace lumicomb {
namespace {

const FileTypeRow &tiffRow() { return fileTypeRow(*filterIndexForTypeName("TIFF")); }

std::string inFolder(const std::string &folder, const std::string &name) {
  return (std::filesystem::path(folder) / name).string();
}

} // namespace

std::string alignedFrameName(const ImageSet &set, int i) {
  char number[16];
  std::snprintf(number, sizeof number, "%04d-", i);
  return number + std::filesystem::path(set.entry(i).name).stem().string() + ".tif";
}

void prepareAlignedFramesFolder(const std::string &folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error)
    throw LumicombError(ErrorKind::WriteFailed, "cannot make the folder " + quoted(folder) +
                                                    " for the aligned images: " + error.message());
  checkedSaveTarget(inFolder(folder, "0001-aligned.tif"));
}

void saveAlignedFrames(ImageSet &set, const AlignmentPlan &plan,
                       const std::vector<uint8_t> &profile, const std::string &folder,
                       uint64_t memoryBudget, RunObserver &observer) {
  DecodeOptions limits;
  limits.memoryBudget = memoryBudget;
  limits.depth = SampleDepth::Sixteen;
  limits.targetProfile = &profile;
  StageProgress progress(observer, "saving aligned", set.sourceCount());
  for (int i = 1; i <= set.sourceCount(); ++i) {
    progress.yield();
    const DecodedImage decoded = decodeImageFile(set.imagePath(i), limits);
    ResultContents frame;
    frame.picture =
        warpedCopy(decoded.rgb.get(), plan.toImageOne.at(static_cast<size_t>(i - 1)), plan.crop);
    frame.iccProfile = profile;
    frame.sources = 1;
    frame.withMetadata = false;
    const std::string path = checkedSaveTarget(inFolder(folder, alignedFrameName(set, i)));
    saveResult(std::move(frame), path, tiffRow(), saveFlags(tiffRow(), 100),
               [&observer] { return observer.cancelRequested(); });
    progress.frameDone();
  }
}

} // namespace lumicomb
