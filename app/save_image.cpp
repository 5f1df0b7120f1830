#include "app/save_image.h"

#include "app/aligned_frames.h"
#include "app/sequence_writer.h"
#include "base/errors.h"
#include "base/parallel_for.h"
#include "imaging/image_decoding.h"
#include "output/atomic_save.h"
#include "output/file_types.h"
#include "output/result_file.h"
#include "output/save_target.h"
#include "passes/run_blend.h"
#include "passes/stage_progress.h"

#include <utility>

namespace lumicomb {
namespace {

void requireTypeHoldsFirstImage(const ImageSet &set, const SaveJob &job, const FileTypeRow &row,
                                const std::string &path) {
  if (set.sourceCount() == 0 || job.request.mode == RunMode::Previews)
    return;
  DecodeOptions limits;
  limits.memoryBudget = job.request.memoryBudget;
  const ImageHeader first = readImageHeader(set.imagePath(1), limits);
  requireTypeHolds(row, path, first.width, first.height, job.request.depth);
}

/// The master dark's file type, from its extension.
const FileTypeRow &masterDarkRow(const std::string &path) {
  const std::optional<int> index = filterIndexForExtension(path);
  if (!index)
    throw LumicombError(ErrorKind::OutOfRange, "cannot tell the file type of " + quoted(path) +
                                                   " (use .tif, .png, .jpg or .bmp)");
  return fileTypeRow(*index);
}

} // namespace

std::optional<SaveTarget> askSaveTarget(const ImageSet &set, const RunningSettings &settings,
                                        SaveFileDialog &dialog) {
  if (set.sourceCount() == 0)
    throw LumicombError(ErrorKind::NoSources, "there are no images to blend");
  const std::optional<SaveChoice> choice = dialog.askForFile(
      defaultSaveName(set.imagePath(1)), saveFilterString(), initialFilterIndex(settings.fileType));
  if (!choice)
    return std::nullopt;
  const FileTypeRow &row = fileTypeRow(choice->filterIndex);
  return SaveTarget{withTypeExtension(choice->fileName, row), row.filterIndex};
}

std::optional<std::string> blendAndSave(ImageSet &set, const SaveJob &job, RunObserver &observer,
                                        std::shared_ptr<const AlignmentPlan> *alignment,
                                        std::string *videoCommand) {
  const FileTypeRow &row = fileTypeRow(job.target.filterIndex);
  checkedSaveTarget(job.target.path);
  requireTypeHoldsFirstImage(set, job, row, job.target.path);
  const bool savesMasterDark = !job.masterDarkPath.empty() && set.darkCount() > 0;
  if (savesMasterDark) {
    checkedSaveTarget(job.masterDarkPath);
    requireTypeHoldsFirstImage(set, job, masterDarkRow(job.masterDarkPath), job.masterDarkPath);
  }
  if (!job.mapPath.empty())
    checkedSaveTarget(job.mapPath);
  const bool savesFrames = job.request.alignment && !job.alignedFramesFolder.empty() &&
                           job.request.mode == RunMode::FullSize;
  if (savesFrames)
    prepareAlignedFramesFolder(job.alignedFramesFolder);
  BlendRequest request = job.request;
  request.keepMasterDark = savesMasterDark;
  std::optional<SequenceWriter> sequence;
  std::optional<SequenceFiles> frames;
  if (!job.sequenceFolder.empty() && set.sourceCount() > 0) {
    // The rule is asked first, so that a rule without a time-lapse costs no folder.
    sequenceRules(ruleDescription(request.rule), request.parameters, request.depth, job.window);
    frames = sequenceFilesFor(job.sequenceFolder, job.target.path, row);
    frames->flags = saveFlags(row, job.jpegQuality);
    // A time-lapse's frames come by the hundred, and the run waits on them: time over size.
    if (row.format == FIF_PNG)
      frames->flags = PNG_Z_BEST_SPEED;
    frames->withMetadata = request.withMetadata;
    prepareSequenceFolder(*frames, set.sourceCount());
    const int threads = request.threads > 0 ? request.threads : workerThreads();
    sequence.emplace(*frames, threads, [&observer] { return observer.cancelRequested(); });
    request.sequence = &*sequence;
    request.window = job.window;
  }
  BlendOutcome outcome = runBlend(set, request, observer);
  if (outcome.refusal)
    return outcome.refusal; // an unblended copy must not pass for a result
  if (sequence) {
    sequence->finish();
    if (videoCommand)
      *videoCommand = frames->videoCommand(sequence->width(), sequence->height());
  }
  {
    const ProgressShown shown(observer);
    if (savesFrames && outcome.alignment)
      saveAlignedFrames(set, *outcome.alignment, outcome.iccProfile, job.alignedFramesFolder,
                        job.request.memoryBudget, observer);
    // The write has no count to show, only that it is under way.
    const StageProgress saving(observer, "saving", 0);
    const auto cancelled = [&observer] { return observer.cancelRequested(); };
    if (savesMasterDark && outcome.masterDark) {
      const FileTypeRow &darkRow = masterDarkRow(job.masterDarkPath);
      saveResult(
          {std::move(outcome.masterDark), outcome.iccProfile, nullptr, set.darkCount(), false},
          job.masterDarkPath, darkRow, saveFlags(darkRow, 100), cancelled);
    }
    // The map is written whole first and takes its name only once the result has its own.
    std::optional<StagedSave> map;
    if (!job.mapPath.empty() && outcome.map.picture) {
      const FileTypeRow &mapRow = fileTypeRow(job.mapFilterIndex);
      SaveSteps steps;
      steps.cancelled = cancelled;
      map.emplace(stageBitmapSave(outcome.map.picture.get(), job.mapPath, mapRow.format,
                                  saveFlags(mapRow, job.jpegQuality), steps));
    }
    ResultContents result{std::move(outcome.picture), std::move(outcome.iccProfile),
                          std::move(outcome.metadata), outcome.sources, job.request.withMetadata};
    saveResult(std::move(result), job.target.path, row, saveFlags(row, job.jpegQuality), cancelled);
    if (map)
      map->commit();
  }
  if (alignment)
    *alignment = std::move(outcome.alignment);
  return std::nullopt;
}

} // namespace lumicomb
