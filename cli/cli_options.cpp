#include "cli/cli_options.h"

#include "app/library_versions.h"
#include "app/number_text.h"
#include "base/errors.h"
#include "cli/bash_completion.h"
#include "cli/fusion_options.h"
#include "output/file_types.h"
#include "passes/gap_bridging.h"
#include "passes/sequence_pass.h"
#include "rules/rule_registry.h"

#include <QCommandLineParser>

namespace lumicomb::cli {
namespace {

constexpr int kUsageError = 2;
constexpr int kMostMebibytes = 1 << 30; // 1 PiB

/// The rules the tool offers, by command name, a few to a line.
QString ruleList() {
  QString list = "Rules:";
  int lineLength = static_cast<int>(list.size());
  for (const RuleDescription &rule : ruleRegistry()) {
    if (*rule.commandName == '\0')
      continue;
    QString name = QString(" ") + rule.commandName + (rule.index == 0 ? " (default)," : ",");
    if (lineLength + name.size() > 78) {
      list += "\n";
      lineLength = 0;
      name = name.mid(1);
    }
    list += name;
    lineLength += static_cast<int>(name.size());
  }
  return list + " or their index.";
}

/// The rules with a map, by command name: "a, b, c or d".
QString rulesWithMapsText() {
  const std::vector<const RuleDescription *> rules = rulesWithMaps();
  QString text;
  for (size_t k = 0; k < rules.size(); ++k)
    text += QString(k == 0 ? "" : k + 1 == rules.size() ? " or " : ", ") + rules[k]->commandName;
  return text;
}

QString description() {
  return "Blends same-size photographs position by position and writes the result.\n\n" +
         ruleList() +
         "\n\nsigma-clipped-mean and winsorized-mean reject outliers as Siril 1.0.6's "
         "\"rej s|w LOW HIGH\n-nonorm\" does, with one difference: a sample of exactly 0 is "
         "black and counts, where Siril\nleaves it out as missing data.\n\n"
         "Images are read as JPEG, PNG, TIFF, BMP or WebP.\n\n"
         "Exit status: 0 written, 1 the run failed or the rule refused, 2 usage error,\n"
         "130 interrupted (SIGINT, Ctrl-C), 143 terminated (SIGTERM); when stopped, nothing is\n"
         "written and an existing output file is left as it was.";
}

/// The text a rule's box holds at first, as the registry gives it; `second` for a rule's
/// second box.
QString defaultText(RuleParameter parameter, bool second = false) {
  for (const RuleDescription &rule : ruleRegistry())
    if (rule.parameter == parameter)
      return second ? rule.secondDefaultText : rule.defaultText;
  return {};
}

ParseOutcome misuse(const std::string &message) { return {std::nullopt, kUsageError, message}; }

std::optional<int> wholeNumber(const QString &text, int low, int high) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok || value < low || value > high)
    return std::nullopt;
  return value;
}

std::string quotedValue(const QString &text) {
  return QStringLiteral("\"%1\"").arg(text).toStdString();
}

} // namespace

ParseOutcome parseCommandLine(const QStringList &arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(description());
  const QCommandLineOption rule({"r", "rule"}, "Blend rule (default average).", "RULE", "average");
  const QCommandLineOption divisor({"d", "divisor"}, "Text of the \"Sum and divide by\" box.",
                                   "TEXT", defaultText(RuleParameter::Divisor));
  const QCommandLineOption limit({"l", "limit"},
                                 "Text of the \"Different from first by RGB value\" box.", "TEXT",
                                 defaultText(RuleParameter::Limit));
  const QCommandLineOption halfLife(
      "half-life",
      "The \"Half-life (frames)\" box of \"Comet trails\": how many images back a "
      "trail is at half brightness, decimals allowed (default 10).",
      "N", defaultText(RuleParameter::HalfLife));
  const QCommandLineOption kappaLow(
      "kappa-low",
      "The \"Low κ\" box of sigma-clipped-mean and winsorized-mean: how many sigma below the "
      "median a sample may lie and be kept, above 0.",
      "X", defaultText(RuleParameter::Kappas));
  const QCommandLineOption kappaHigh("kappa-high",
                                     "The \"High κ\" box: the same above the median, above 0.", "X",
                                     defaultText(RuleParameter::Kappas, true));
  const QCommandLineOption output({"o", "output"}, "Result file, written under exactly this name.",
                                  "FILE");
  const QCommandLineOption map(
      "map",
      "Also write the rule's map, a 16-bit one-channel TIFF or PNG (from the extension), whole "
      "or not at all, as the result: for " +
          rulesWithMapsText() +
          ". Brightest and darkest give the number of the image whose green each pixel took "
          "(the lowest on a tie), the rejecting means the samples rejected there, over the "
          "three channels.",
      "FILE");
  const QCommandLineOption type({"t", "type"},
                                "TIFF, JPEG, BMP or PNG; without it, from the extension.", "TYPE");
  const QCommandLineOption quality(
      {"q", "quality"}, "JPEG quality 1-100 (default: the JPEGcompression setting).", "N");
  const QCommandLineOption preview("preview", "Blend the preview-size bitmaps instead.");
  const QCommandLineOption threads({"j", "threads"}, "Worker threads (default: all cores).", "N");
  const QCommandLineOption memory(
      "memory",
      "MiB the blend may hold at once; a picture that cannot fit is refused before it is "
      "decoded (default: a quarter of the memory).",
      "MIB");
  const QCommandLineOption depth(
      "depth",
      "Bits kept of every channel, 8 (default) or 16; at 16, TIFF and PNG are written with 16 "
      "bits a channel, while JPEG and BMP results stay 8-bit, rounded.",
      "BITS");
  const QCommandLineOption noMetadata(
      "no-metadata", "Write no EXIF, XMP or IPTC; without it, a JPEG, TIFF or PNG result carries "
                     "image 1's, saying it is a blend. The colour profile is embedded either way.");
  const QCommandLineOption align(
      "align", "Align every image to image 1 before blending, for a burst shot by hand; the "
               "result is cut to the part of image 1 that every aligned image covers.");
  const QCommandLineOption alignModel(
      "align-model",
      "How the images may have moved: " + QString::fromStdString(alignModelNames()) +
          " (default similarity: a shift, a turn and a change of scale). Implies --align.",
      "MODEL", "similarity");
  const QCommandLineOption saveAligned(
      "save-aligned",
      "Also write every aligned image, cut to the result, as a 16-bit TIFF into DIR (made if "
      "missing). Implies --align.",
      "DIR");
  const QCommandLineOption dark(
      "dark",
      "A dark frame (shot with the lens capped, at the images' settings), or a folder of them; "
      "repeat it for more. Their median at each position (their mean for one or two) is "
      "subtracted from every image before it is blended.",
      "FILE");
  const QCommandLineOption saveMasterDark(
      "save-master-dark",
      "Also write the master dark made of the darks, for a later run to take "
      "as its only dark.",
      "FILE");
  const QCommandLineOption hotPixels(
      "hot-pixels", "Replace the sensor's hot pixels in every image by the mean of their "
                    "neighbours: found in the darks, or without darks in the images themselves.");
  const QCommandLineOption gapFill(
      "gap-fill", "Close the gaps star trails leave between consecutive frames (with brightest "
                  "and comet).");
  const QCommandLineOption gapSize(
      "gap-size",
      "How far a bridge reaches, in pixels (default: how far the sky moved between "
      "frames). Implies --gap-fill.",
      "PX");
  const QCommandLineOption sequence(
      "sequence",
      "Also write the blend after each image, 1..k, as DIR/<output name>_00001.<ext> ..., in "
      "the output's type: the frames of a time-lapse (average, sum-and-divide, brightest, "
      "darkest, comet); the ffmpeg command that makes the video is printed.",
      "DIR");
  const QCommandLineOption window(
      "window",
      "With --sequence, each frame blends only the last K images (brightest, darkest, "
      "average).",
      "K");
  const QCommandLineOption order(
      "order",
      "given (default): the images in the order named; time: in the order they were "
      "taken (EXIF DateTimeOriginal, to the subsecond; else by file name).",
      "ORDER", "given");
  const QCommandLineOption skipBright(
      "skip-bright-frames", "Leave out frames far brighter than the rest (median + 5 MAD of "
                            "the frames' mean brightness), never image 1, saying which.");
  const QCommandLineOption quiet("quiet", "No progress bar and no report of the alignment.");
  const FusionOptions fusion;
  const QList<QCommandLineOption> offered =
      QList<QCommandLineOption>{
          rule,       divisor, limit,      halfLife,    kappaLow, kappaHigh,      output,
          map,        type,    quality,    preview,     threads,  memory,         depth,
          noMetadata, align,   alignModel, saveAligned, dark,     saveMasterDark, hotPixels,
          gapFill,    gapSize, sequence,   window,      order,    skipBright,     quiet} +
      fusion.options();
  parser.addOptions(offered);
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  QCommandLineOption completion("bash-completion", "Print the bash completion of this tool.");
  completion.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(completion);
  parser.addPositionalArgument("IMAGE", "Source images, blended in the order given.", "IMAGE...");

  if (!parser.parse(arguments))
    return misuse(parser.errorText().toStdString());
  if (parser.isSet(help))
    return {std::nullopt, 0, parser.helpText().toStdString()};
  if (parser.isSet(version))
    return {std::nullopt, 0, "lumicomb-cli " LUMICOMB_VERSION "\n" + libraryVersions() + "\n"};
  if (parser.isSet(completion))
    return {std::nullopt, 0, bashCompletion(offered + QList{help, version})};

  CliOptions options;
  const std::optional<int> ruleIndex =
      ruleIndexFromCommandName(parser.value(rule).trimmed().toLower().toStdString());
  if (!ruleIndex)
    return misuse("unknown rule " + quotedValue(parser.value(rule)));
  options.rule = *ruleIndex;
  options.divisorText = parser.value(divisor).toStdString();
  options.limitText = parser.value(limit).toStdString();
  options.halfLifeText = parser.value(halfLife).toStdString();
  options.kappaLowText = parser.value(kappaLow).toStdString();
  options.kappaHighText = parser.value(kappaHigh).toStdString();
  try {
    parseHalfLife(options.halfLifeText);
    parseKappa(options.kappaLowText, "low kappa");
    parseKappa(options.kappaHighText, "high kappa");
  } catch (const LumicombError &refusal) {
    return misuse(refusal.what());
  }
  if (const std::optional<std::string> refused =
          fusion.read(parser, options.focus, options.exposure))
    return misuse(*refused);

  if (!parser.isSet(output))
    return misuse("no output file given (use -o FILE)");
  options.output = parser.value(output).toStdString();
  const std::optional<int> filterIndex =
      parser.isSet(type) ? filterIndexForTypeName(parser.value(type).trimmed().toStdString())
                         : filterIndexForExtension(options.output);
  if (!filterIndex)
    return misuse(parser.isSet(type)
                      ? "unknown file type " + quotedValue(parser.value(type))
                      : "cannot tell the file type of " + quotedValue(parser.value(output)) +
                            " (use -t TIFF, JPEG, BMP or PNG)");
  options.filterIndex = *filterIndex;

  if (parser.isSet(map)) {
    const RuleDescription &chosen = ruleDescription(options.rule);
    if (chosen.map == MapKind::None)
      return misuse("rule " + std::string(chosen.commandName) + " makes no map; --map goes with " +
                    rulesWithMapsText().toStdString());
    options.mapPath = parser.value(map).toStdString();
    const std::optional<int> mapIndex = filterIndexForExtension(options.mapPath);
    if (!mapIndex ||
        (fileTypeRow(*mapIndex).format != FIF_TIFF && fileTypeRow(*mapIndex).format != FIF_PNG))
      return misuse("the map " + quotedValue(parser.value(map)) +
                    " must be a TIFF or PNG file (.tif, .tiff or .png)");
    if (options.mapPath == options.output)
      return misuse("the map cannot be written over the result " + quotedValue(parser.value(map)));
    if (parser.isSet(sequence))
      return misuse("a time-lapse makes no map; --map cannot go with --sequence");
    options.mapFilterIndex = *mapIndex;
  }

  if (parser.isSet(quality)) {
    options.quality = wholeNumber(parser.value(quality), 1, 100);
    if (!options.quality)
      return misuse("JPEG quality " + quotedValue(parser.value(quality)) + " is not 1-100");
  }
  if (parser.isSet(threads)) {
    const std::optional<int> count = wholeNumber(parser.value(threads), 1, 1024);
    if (!count)
      return misuse("thread count " + quotedValue(parser.value(threads)) + " is not 1-1024");
    options.threads = *count;
  }
  if (parser.isSet(memory)) {
    const std::optional<int> mebibytes = wholeNumber(parser.value(memory), 1, kMostMebibytes);
    if (!mebibytes)
      return misuse("memory " + quotedValue(parser.value(memory)) + " is not 1-" +
                    std::to_string(kMostMebibytes) + " MiB");
    options.memoryMiB = static_cast<uint64_t>(*mebibytes);
  }
  if (parser.isSet(depth)) {
    const std::optional<int> bits = wholeNumber(parser.value(depth), 8, 16);
    if (!bits || (*bits != 8 && *bits != 16))
      return misuse("depth " + quotedValue(parser.value(depth)) + " is not 8 or 16");
    options.depth = *bits == 16 ? SampleDepth::Sixteen : SampleDepth::Eight;
  }
  options.withMetadata = !parser.isSet(noMetadata);
  options.preview = parser.isSet(preview);
  if (parser.isSet(align) || parser.isSet(alignModel) || parser.isSet(saveAligned)) {
    options.alignment = alignModelNamed(parser.value(alignModel).trimmed().toLower().toStdString());
    if (!options.alignment)
      return misuse("unknown alignment model " + quotedValue(parser.value(alignModel)) + " (use " +
                    alignModelNames() + ")");
  }
  if (parser.isSet(saveAligned)) {
    if (options.preview)
      return misuse("--save-aligned writes full-size images and cannot go with --preview");
    options.alignedFolder = parser.value(saveAligned).toStdString();
    if (options.alignedFolder.empty())
      return misuse("no folder given to --save-aligned");
  }
  for (const QString &path : parser.values(dark))
    options.darks.push_back(path.toStdString());
  if (parser.isSet(saveMasterDark)) {
    if (options.darks.empty())
      return misuse("--save-master-dark needs at least one --dark");
    options.masterDarkOutput = parser.value(saveMasterDark).toStdString();
    if (!filterIndexForExtension(options.masterDarkOutput))
      return misuse("cannot tell the file type of " + quotedValue(parser.value(saveMasterDark)) +
                    " (use .tif, .png, .jpg or .bmp)");
  }
  options.removeHotPixels = parser.isSet(hotPixels);
  options.skipBrightFrames = parser.isSet(skipBright);
  const QString orderName = parser.value(order).trimmed().toLower();
  if (orderName != "given" && orderName != "time")
    return misuse("unknown order " + quotedValue(parser.value(order)) + " (use given or time)");
  options.byTimeTaken = orderName == "time";
  options.closeGaps = parser.isSet(gapFill) || parser.isSet(gapSize);
  if (parser.isSet(gapSize)) {
    bool ok = false;
    const double pixels = parser.value(gapSize).trimmed().toDouble(&ok);
    if (!ok || !(pixels > 0 && pixels <= 100000))
      return misuse("gap size " + quotedValue(parser.value(gapSize)) +
                    " is not a number of pixels above 0");
    options.gapPixels = pixels;
  }
  if (options.closeGaps && !closesGaps(ruleDescription(options.rule)))
    return misuse(gapRulesRefusal());
  if (parser.isSet(window)) {
    if (!parser.isSet(sequence))
      return misuse("--window needs --sequence");
    const std::optional<int> count = wholeNumber(parser.value(window), 1, 32767);
    if (!count)
      return misuse("window " + quotedValue(parser.value(window)) + " is not 1-32767 images");
    options.window = *count;
  }
  if (parser.isSet(sequence)) {
    options.sequenceFolder = parser.value(sequence).toStdString();
    if (options.sequenceFolder.empty())
      return misuse("no folder given to --sequence");
    try {
      sequenceRules(ruleDescription(options.rule), {}, SampleDepth::Eight, options.window);
    } catch (const LumicombError &refusal) {
      return misuse(refusal.what());
    }
  }
  options.quiet = parser.isSet(quiet);

  for (const QString &image : parser.positionalArguments())
    options.images.push_back(image.toStdString());
  if (options.images.empty())
    return misuse("no images given");
  return {options, 0, {}};
}

} // namespace lumicomb::cli
