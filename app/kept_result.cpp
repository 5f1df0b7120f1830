#include "app/kept_result.h"

#include "base/errors.h"
#include "imaging/image_decoding.h"
#include "output/file_types.h"
#include "output/result_file.h"
#include "output/save_target.h"
#include "passes/stage_progress.h"

#include <sys/stat.h>

namespace lumicomb {
namespace {

FileStamp stampOf(const std::string &path) {
  FileStamp stamp{path};
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    stamp.bytes = status.st_size;
    stamp.changed = int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
  }
  return stamp;
}

/// Refuses a result that could not be kept, before anything is decoded. Image 1's header is read
/// without the budget, so that the refusal speaks of the result rather than of image 1.
void requireKeepable(const ImageSet &set, const BlendRequest &request) {
  const ImageHeader first = readImageHeader(set.imagePath(1));
  const uint64_t needed =
      keptResultBytes(first.width, first.height, request.depth, request.withMap);
  if (needed <= request.memoryBudget)
    return;
  throw LumicombError(ErrorKind::OutOfRange,
                      "a full-size result of " + std::to_string(first.width) + "x" +
                          std::to_string(first.height) + " pixels at " +
                          std::to_string(8 * bytesPerSample(request.depth)) + " bits needs " +
                          byteSizeText(needed) + " to keep and look at; the memory budget is " +
                          byteSizeText(request.memoryBudget));
}

/// Whether the job asks for the result's file and nothing beside it (aligned frames, a master dark,
/// time-lapse steps, a map, or whatever else a job learns to ask for), which needs the run.
bool asksForTheFileAlone(const SaveJob &job) {
  SaveJob plain;
  plain.target = job.target;
  plain.jpegQuality = job.jpegQuality;
  plain.request = job.request;
  return job == plain;
}

void saveKept(const KeptResult &kept, const SaveJob &job, RunObserver &observer) {
  const FileTypeRow &row = fileTypeRow(job.target.filterIndex);
  checkedSaveTarget(job.target.path);
  requireTypeHolds(row, job.target.path, widthOf(kept.picture.get()), heightOf(kept.picture.get()),
                   depthOf(kept.picture.get()));
  const ProgressShown shown(observer);
  // The write has no count to show, only that it is under way.
  const StageProgress saving(observer, "saving", 0);
  saveResult({kept.picture, kept.iccProfile, kept.metadata, kept.sources,
              kept.inputs.request.withMetadata},
             job.target.path, row, saveFlags(row, job.jpegQuality),
             [&observer] { return observer.cancelRequested(); });
}

} // namespace

ResultInputs resultInputs(const ImageSet &set, const BlendRequest &request) {
  ResultInputs inputs{request, set.generation(), {}};
  inputs.request.mode = RunMode::FullSize;
  inputs.request.box = {};
  inputs.request.threads = 0;
  inputs.request.memoryBudget = 0;
  inputs.request.withMap = false;
  for (int i = 1; i <= set.sourceCount(); ++i)
    inputs.files.push_back(stampOf(set.imagePath(i)));
  for (int j = 1; j <= set.darkCount(); ++j)
    inputs.files.push_back(stampOf(set.darkPath(j)));
  return inputs;
}

uint64_t keptResultBytes(int64_t width, int64_t height, SampleDepth depth, bool withMap) {
  constexpr uint64_t kShownBytesPerPixel = 4;
  const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  const uint64_t shown = pixels * kShownBytesPerPixel * 4 / 3;
  const uint64_t map = withMap ? pixels * (sizeof(uint16_t) + kShownBytesPerPixel) : 0;
  return 2 * (rgbBytes(width, height, depth) + shown) + map;
}

bool KeptResult::isCurrentFor(const ImageSet &set, const BlendRequest &request) const {
  return inputs == resultInputs(set, request);
}

KeptBlend blendToKeep(ImageSet &set, const BlendRequest &request, RunObserver &observer) {
  if (set.sourceCount() == 0)
    throw LumicombError(ErrorKind::NoSources, "there are no images to blend");
  BlendRequest fullSize = request;
  fullSize.mode = RunMode::FullSize;
  fullSize.withMap = ruleDescription(fullSize.rule).map != MapKind::None;
  auto kept = std::make_shared<KeptResult>();
  kept->inputs = resultInputs(set, fullSize);
  requireKeepable(set, fullSize);
  BlendOutcome outcome = runBlend(set, fullSize, observer);
  if (outcome.refusal)
    return {nullptr, std::move(outcome.refusal)};
  kept->picture = std::move(outcome.picture);
  kept->iccProfile = std::move(outcome.iccProfile);
  kept->metadata = std::move(outcome.metadata);
  kept->sources = outcome.sources;
  kept->alignment = std::move(outcome.alignment);
  kept->map = std::move(outcome.map);
  return {std::move(kept), std::nullopt};
}

std::optional<std::string> saveResultOf(ImageSet &set, const SaveJob &job, const KeptResult *kept,
                                        RunObserver &observer,
                                        std::shared_ptr<const AlignmentPlan> *alignment) {
  if (!kept || !asksForTheFileAlone(job) || job.request.mode != RunMode::FullSize ||
      !kept->isCurrentFor(set, job.request))
    return blendAndSave(set, job, observer, alignment);
  saveKept(*kept, job, observer);
  if (alignment)
    *alignment = kept->alignment;
  return std::nullopt;
}

} // namespace lumicomb
