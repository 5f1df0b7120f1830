// lumicomb-cli: blends the images named on the command line into one file.
#include "app/dark_files.h"
#include "app/number_text.h"
#include "app/save_image.h"
#include "base/errors.h"
#include "cli/cli_observer.h"
#include "cli/cli_options.h"
#include "cli/stop_signals.h"
#include "imaging/capture_order.h"

#include <QCoreApplication>

#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

constexpr int kRunFailed = 1;

void addImages(lumicomb::ImageSet &set, const std::vector<std::string> &images) {
  for (const std::string &image : images) {
    const std::filesystem::path path(image);
    set.append(path.parent_path().string(), {path.filename().string()});
  }
}

/// The request and the file, from the options; the rule's box text is checked here, before any
/// image is opened.
lumicomb::SaveJob saveJobFor(const lumicomb::cli::CliOptions &options,
                             const lumicomb::RunningSettings &settings) {
  lumicomb::SaveJob job;
  job.target = {options.output, options.filterIndex};
  job.jpegQuality = options.quality.value_or(static_cast<int>(settings.jpegQuality));
  lumicomb::BlendRequest &request = job.request;
  request.rule = options.rule;
  request.parameters =
      lumicomb::ruleParameters(lumicomb::ruleDescription(options.rule),
                               {options.divisorText, options.limitText, options.halfLifeText,
                                options.kappaLowText, options.kappaHighText});
  request.parameters.focus = options.focus;
  request.parameters.exposure = options.exposure;
  request.mode = options.preview ? lumicomb::RunMode::Previews : lumicomb::RunMode::FullSize;
  request.box = {settings.previewWidth, settings.previewHeight};
  request.threads = options.threads;
  request.depth = options.depth;
  request.withMetadata = options.withMetadata;
  request.alignment = options.alignment;
  job.alignedFramesFolder = options.alignedFolder;
  job.masterDarkPath = options.masterDarkOutput;
  request.removeHotPixels = options.removeHotPixels;
  request.closeGaps = options.closeGaps;
  request.gapPixels = options.gapPixels;
  job.sequenceFolder = options.sequenceFolder;
  job.window = options.window;
  request.skipBrightFrames = options.skipBrightFrames;
  job.mapPath = options.mapPath;
  job.mapFilterIndex = options.mapFilterIndex;
  request.withMap = !options.mapPath.empty();
  if (options.memoryMiB)
    request.memoryBudget = *options.memoryMiB << 20;
  return job;
}

int blendAndSave(const lumicomb::cli::CliOptions &options) {
  const lumicomb::RunningSettings settings = lumicomb::loadSettings(lumicomb::SettingsStore());
  const lumicomb::SaveJob job = saveJobFor(options, settings);
  lumicomb::ImageSet set;
  addImages(set, options.images);
  lumicomb::addDarkFiles(set, options.darks);
  if (options.byTimeTaken)
    lumicomb::sortByTimeTaken(set);
  lumicomb::cli::TerminalProgress progress(!options.quiet && ::isatty(STDERR_FILENO));
  lumicomb::cli::CliObserver observer(progress);
  observer.yield(); // a stop that came while the tool was starting
  std::shared_ptr<const lumicomb::AlignmentPlan> alignment;
  std::string videoCommand;
  if (const std::optional<std::string> refusal =
          lumicomb::blendAndSave(set, job, observer, &alignment, &videoCommand)) {
    std::cerr << "lumicomb-cli: " << *refusal << "\n";
    return kRunFailed;
  }
  if (alignment && !options.quiet)
    std::cerr << alignment->summary() << "\n";
  if (!videoCommand.empty() && !options.quiet)
    std::cout << videoCommand << "\n";
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
