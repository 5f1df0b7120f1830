// lumicomb-cli: blends the images named on the command line into one file.
#include "cli/cli_options.h"
#include "cli/cli_window.h"
#include "cli/stop_signals.h"
#include "engine/errors.h"
#include "engine/parallel_for.h"
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

lumicomb::SaveJob saveJobFor(const lumicomb::cli::CliOptions &options,
                             const lumicomb::RunningSettings &settings) {
  lumicomb::SaveJob job;
  job.target = {options.output, options.filterIndex};
  job.jpegQuality = options.quality.value_or(static_cast<int>(settings.JPEGcompression));
  job.mode = options.preview ? lumicomb::kThumbnails : lumicomb::kLarge;
  job.box = {settings.PreviewWidth, settings.PreviewHeight};
  if (options.memoryMiB)
    job.memoryBudget = *options.memoryMiB << 20;
  return job;
}

int blendAndSave(const lumicomb::cli::CliOptions &options) {
  lumicomb::setWorkerThreads(options.threads);
  const lumicomb::RunningSettings settings = lumicomb::LoadSettings(lumicomb::SettingsStore());
  lumicomb::ImageSet set;
  addImages(set, options.images);
  lumicomb::cli::TerminalProgress progress(!options.quiet && ::isatty(STDERR_FILENO));
  lumicomb::cli::CliWindow window(options, progress);
  window.yield(); // a stop that came while the tool was starting
  if (!lumicomb::blendAndSave(set, window, saveJobFor(options, settings)))
    return kRunFailed; // the window has printed the rule's message
  return 0;
}

} // namespace

int main(int argc, char *argv[]) {
  lumicomb::cli::catchStopSignals();
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
  std::string failure;
  try {
    return blendAndSave(*parsed.options);
  } catch (const std::bad_alloc &) {
    failure = "not enough memory for this blend";
  } catch (const std::exception &error) {
    failure = error.what();
  }
  // However a stopped run ended, what it was writing is gone, and it says only that.
  if (const int signal = lumicomb::cli::stopSignal()) {
    std::cerr << "lumicomb-cli: cancelled\n";
    return lumicomb::cli::exitStatusFor(signal);
  }
  std::cerr << "lumicomb-cli: " << lumicomb::oneLine(failure) << "\n";
  return kRunFailed;
}
