#include "output/save_result.h"

#include "engine/errors.h"
#include "engine/run_blend.h"
#include "output/atomic_save.h"
#include "output/file_types.h"

namespace lumicomb {

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

bool blendAndSave(ImageSet &set, const RunningSettings &settings, WindowOperations &window,
                  const SaveTarget &target) {
  if (RunBlend(set, kLarge, window, {settings.PreviewWidth, settings.PreviewHeight}) ==
      RunOutcome::Refused)
    return false; // the rule has said why; an unblended copy must not pass for a result
  saveResult(set, target.path, target.filterIndex, static_cast<int>(settings.JPEGcompression));
  return true;
}

std::optional<std::string> CommandSaveFreeimage(ImageSet &set, const RunningSettings &settings,
                                                WindowOperations &window, SaveFileDialog &dialog) {
  const std::optional<SaveTarget> target = askSaveTarget(set, settings, dialog);
  if (!target || !blendAndSave(set, settings, window, *target))
    return std::nullopt;
  return target->path;
}

void saveResult(const ImageSet &set, const std::string &path, int filterIndex, int jpegQuality) {
  FIBITMAP *result = set.entry(0).FullBitmap.get();
  if (!result)
    throw LumicombError(ErrorKind::WriteFailed,
                        "cannot write " + quoted(path) + ": there is no blended result");
  const FileTypeRow &row = fileTypeRow(filterIndex);
  saveBitmapAtomically(result, path, row.format, saveFlags(row, jpegQuality));
}

} // namespace lumicomb
