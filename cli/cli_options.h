#pragma once
// The command line of lumicomb-cli, parsed and checked.
#include "align/align_model.h"
#include "base/sample_depth.h"
#include "fusion/fusion_rules.h"

#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumicomb::cli {

struct CliOptions {
  int rule = 0; ///< a row of the rule registry
  std::string divisorText = "1";
  std::string limitText = "5";
  std::string halfLifeText = "10";
  FocusParameters focus;    ///< "sharpest"
  ExposureWeights exposure; ///< "exposure-fusion"
  std::string kappaLowText = "4";
  std::string kappaHighText = "3";
  std::string mapPath; ///< where the rule's map goes; empty: none
  int mapFilterIndex = 0;
  std::string output;
  int filterIndex = 0;
  std::optional<int> quality; ///< without it, the stored JPEG quality
  bool preview = false;
  SampleDepth depth = SampleDepth::Eight;
  bool withMetadata = true;            ///< whether image 1's EXIF, XMP and IPTC are carried on
  int threads = 0;                     ///< 0: all cores
  std::optional<uint64_t> memoryMiB;   ///< without it, a quarter of physical memory
  std::optional<AlignModel> alignment; ///< without it, the images are blended as they stand
  std::string alignedFolder;           ///< where --save-aligned writes the aligned images
  std::vector<std::string> darks;      ///< files, or folders of them, shot with the lens capped
  std::string masterDarkOutput;        ///< where --save-master-dark writes the master dark
  bool removeHotPixels = false;
  bool closeGaps = false;
  std::optional<double> gapPixels; ///< without it, measured on the frames
  std::string sequenceFolder;      ///< where --sequence writes the time-lapse's frames
  int window = 0;                  ///< --window: how many of the last images a step blends
  bool byTimeTaken = false;        ///< --order time
  bool skipBrightFrames = false;
  bool quiet = false;
  std::vector<std::string> images;
};

struct ParseOutcome {
  std::optional<CliOptions> options; ///< set when a blend should run
  int exitCode = 0;                  ///< otherwise: 0 after --help or --version, 2 on misuse
  std::string message;               ///< help or version text for stdout, or the misuse
};

ParseOutcome parseCommandLine(const QStringList &arguments);

} // namespace lumicomb::cli
