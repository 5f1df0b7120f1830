// lumicomb-cli: blends the images named on the command line into one file.
#include "cli/cli_options.h"
#include "cli/cli_window.h"
#include "engine/errors.h"
#include "engine/parallel_for.h"
#include "engine/run_blend.h"
#include "output/save_result.h"
#include "settings/settings.h"

#include <QCoreApplication>

#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

constexpr int kRunFailed = 1;

void addImages(lumicomb::ImageSet &set, const std::vector<std::string> &images) {
  for (const std::string &image : images) {
    const std::filesystem::path path(image);
    set.AppendImages(path.parent_path().string(), {path.filename().string()});
  }
}

int blendAndSave(const lumicomb::cli::CliOptions &options) {
  lumicomb::setWorkerThreads(options.threads);
  const lumicomb::RunningSettings settings = lumicomb::LoadSettings(lumicomb::SettingsStore());
  lumicomb::ImageSet set;
  addImages(set, options.images);
  lumicomb::cli::TerminalProgress progress(!options.quiet && ::isatty(STDERR_FILENO));
  lumicomb::cli::CliWindow window(options, progress);
  const lumicomb::RunMode &mode = options.preview ? lumicomb::kThumbnails : lumicomb::kLarge;
  const uint64_t budget =
      options.memoryMiB ? *options.memoryMiB << 20 : lumicomb::defaultMemoryBudget();
  if (lumicomb::RunBlend(set, mode, window, {settings.PreviewWidth, settings.PreviewHeight},
                         budget) == lumicomb::RunOutcome::Refused)
    return kRunFailed; // the window has printed the rule's message
  lumicomb::saveResult(set, options.output, options.filterIndex,
                       options.quality.value_or(static_cast<int>(settings.JPEGcompression)));
  return 0;
}

} // namespace

int main(int argc, char *argv[]) {
  lumicomb::keepPictureMemoryInProcess();
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("lumicomb-cli");
  QCoreApplication::setApplicationVersion(LUMICOMB_VERSION);

  const lumicomb::cli::ParseOutcome parsed =
      lumicomb::cli::parseCommandLine(QCoreApplication::arguments());
  if (!parsed.options) {
    if (parsed.exitCode == 0)
      std::cout << parsed.message;
    else
      std::cerr << "lumicomb-cli: " << parsed.message << "\nTry 'lumicomb-cli --help'.\n";
    return parsed.exitCode;
  }
  try {
    return blendAndSave(*parsed.options);
  } catch (const std::bad_alloc &) {
    std::cerr << "lumicomb-cli: not enough memory for this blend\n";
  } catch (const std::exception &failure) {
    std::cerr << "lumicomb-cli: " << failure.what() << "\n";
  }
  return kRunFailed;
}
