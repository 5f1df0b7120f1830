#include "align/opencv_module.h"

#include "base/errors.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

namespace lumicomb {
namespace {

/// Whether `program` lies in the build tree that made it.
bool inBuildTree(const std::filesystem::path &program) {
  std::error_code error;
  const std::filesystem::path build = std::filesystem::weakly_canonical(LUMICOMB_BUILD_DIR, error);
  if (error)
    return false;
  const std::filesystem::path relative = program.lexically_relative(build);
  return !relative.empty() && *relative.begin() != "..";
}

/// Where the module is: for a program of the build tree, where the build made it; for an
/// installed one, where the installation put it beside the program, whatever the prefix. An
/// installed program never loads a build's module, which a later build may have changed.
std::string modulePath() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || inBuildTree(program))
    return LUMICOMB_OPENCV_MODULE_BUILT;
  return (program.parent_path().parent_path() / LUMICOMB_OPENCV_MODULE_INSTALLED).string();
}

const OpenCvFunctions *loadedFunctions() {
  const std::string path = modulePath();
  std::string failure;
  if (void *module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    using Entry = const OpenCvFunctions *(*)();
    if (const auto entry = reinterpret_cast<Entry>(::dlsym(module, "lumicombOpenCvFunctions")))
      return entry();
    failure = quoted(path) + " is not Lumicomb's OpenCV module";
  } else {
    failure = ::dlerror();
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
