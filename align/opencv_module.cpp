#include "align/opencv_module.h"

#include "base/errors.h"

#include <dlfcn.h>

namespace lumicomb {
namespace {

/// Where the module is looked for: where the build made it, then where it is installed.
constexpr const char *kModulePaths[] = {LUMICOMB_OPENCV_MODULE_BUILT,
                                        LUMICOMB_OPENCV_MODULE_INSTALLED};

const OpenCvFunctions *loadedFunctions() {
  std::string failure;
  for (const char *path : kModulePaths) {
    void *module = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
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
