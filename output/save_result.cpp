#include "output/save_result.h"

#include "engine/errors.h"
#include "engine/run_blend.h"
#include "output/atomic_save.h"
#include "output/file_types.h"

namespace lumicomb {

std::optional<std::string> CommandSaveFreeimage(ImageSet &set, const RunningSettings &settings,
                                                WindowOperations &window, SaveFileDialog &dialog) {
  if (set.sourceCount() == 0)
    throw LumicombError(ErrorKind::NoSources, "there are no images to blend");
  const std::optional<SaveChoice> choice = dialog.askForFile(
      defaultSaveName(set.imagePath(1)), saveFilterString(), initialFilterIndex(settings.FileType));
  if (!choice)
    return std::nullopt;
  const FileTypeRow &row = fileTypeRow(choice->filterIndex);
  const std::string path = withTypeExtension(choice->fileName, row);
  if (RunBlend(set, kLarge, window, {settings.PreviewWidth, settings.PreviewHeight}) ==
      RunOutcome::Refused)
    return std::nullopt; // the rule has said why; an unblended copy must not pass for a result
  saveResult(set, path, row.filterIndex, static_cast<int>(settings.JPEGcompression));
  return path;
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
