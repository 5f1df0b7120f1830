#include "align/opencv_module.h"

#include "base/errors.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <vector>

namespace lumicomb {
namespace {

/// Where the module is looked for: where the build made it, then where an installation puts it
/// beside the program, whatever the prefix.
std::vector<std::string> modulePaths() {
  std::vector<std::string> paths = {LUMICOMB_OPENCV_MODULE_BUILT};
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error)
    paths.push_back(
        (program.parent_path().parent_path() / LUMICOMB_OPENCV_MODULE_INSTALLED).string());
  return paths;
}

const OpenCvFunctions *loadedFunctions() {
  std::string failure;
  for (const std::string &path : modulePaths()) {
    void *module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      failure = ::dlerror();
      continue;
    }
    using Entry = const OpenCvFunctions *(*)();
    if (const auto entry = reinterpret_cast<Entry>(::dlsym(module, "lumicombOpenCvFunctions")))
      return entry();
    failure = quoted(path) + " is not Lumicomb's OpenCV module";
  }
  throw LumicombError(ErrorKind::NotAvailable,
                      "alignment is not available: its OpenCV module cannot be loaded (" +
                          oneLine(failure) + ")");
}

} // namespace

const OpenCvFunctions &openCvFunctions() {
  // A failed load leaves this unset, so the next alignment tries again.
  static const OpenCvFunctions *const functions = loadedFunctions();
  return *functions;
}

GreyPicture greyCopy(const SampleRows &rows, int64_t longSideAtMost) {
  return openCvFunctions().greyCopy(rows, longSideAtMost);
}

AlignmentOutcome estimateAlignment(const GreyPicture &reference, const GreyPicture &source,
                                   AlignModel model) {
  return openCvFunctions().estimateAlignment(reference, source, model);
}

void warpIntoFrame(const SampleRows &source, const FrameTransform &toImageOne,
                   const PixelRectangle &crop, const SampleRows &destination) {
  openCvFunctions().warpIntoFrame(source, toImageOne, crop, destination);
}

} // namespace lumicomb
