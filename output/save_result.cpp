#include "output/save_result.h"

#include "engine/errors.h"
#include "engine/image_decoding.h"
#include "engine/run_blend.h"
#include "output/atomic_save.h"
#include "output/file_types.h"
#include "output/save_target.h"

namespace lumicomb {
namespace {

void requireTypeHoldsFirstImage(const ImageSet &set, const SaveJob &job, const FileTypeRow &row) {
  if (set.sourceCount() == 0 || job.mode.usesPreviews())
    return;
  DecodeLimits limits;
  limits.memoryBudget = job.memoryBudget;
  const ImageHeader first = readImageHeader(set.imagePath(1), limits);
  requireTypeHolds(row, job.target.path, first.width, first.height);
}

void writeResult(const ImageSet &set, WindowOperations &window, const SaveJob &job,
                 const FileTypeRow &row) {
  FIBITMAP *result = set.entry(0).FullBitmap.get();
  if (!result)
    throw LumicombError(ErrorKind::WriteFailed,
                        "cannot write " + quoted(job.target.path) + ": there is no blended result");
  saveBitmapAtomically(result, job.target.path, row.format, saveFlags(row, job.jpegQuality),
                       [&window] { return window.cancelRequested(); });
}

} // namespace

SaveJob fullSizeSave(const SaveTarget &target, const RunningSettings &settings) {
  SaveJob job;
  job.target = target;
  job.jpegQuality = static_cast<int>(settings.JPEGcompression);
  job.box = {settings.PreviewWidth, settings.PreviewHeight};
  return job;
}

std::optional<SaveTarget> askSaveTarget(const ImageSet &set, const RunningSettings &settings,
                                        SaveFileDialog &dialog) {
  if (set.sourceCount() == 0)
    throw LumicombError(ErrorKind::NoSources, "there are no images to blend");
  const std::optional<SaveChoice> choice = dialog.askForFile(
      defaultSaveName(set.imagePath(1)), saveFilterString(), initialFilterIndex(settings.FileType));
  if (!choice)
    return std::nullopt;
  const FileTypeRow &row = fileTypeRow(choice->filterIndex);
  return SaveTarget{withTypeExtension(choice->fileName, row), row.filterIndex};
}

bool blendAndSave(ImageSet &set, WindowOperations &window, const SaveJob &job) {
  const FileTypeRow &row = fileTypeRow(job.target.filterIndex);
  checkedSaveTarget(job.target.path);
  requireTypeHoldsFirstImage(set, job, row);
  if (RunBlend(set, job.mode, window, job.box, job.memoryBudget) == RunOutcome::Refused)
    return false; // the rule has said why; an unblended copy must not pass for a result
  writeResult(set, window, job, row);
  return true;
}

std::optional<std::string> CommandSaveFreeimage(ImageSet &set, const RunningSettings &settings,
                                                WindowOperations &window, SaveFileDialog &dialog) {
  const std::optional<SaveTarget> target = askSaveTarget(set, settings, dialog);
  if (!target || !blendAndSave(set, window, fullSizeSave(*target, settings)))
    return std::nullopt;
  return target->path;
}

} // namespace lumicomb
