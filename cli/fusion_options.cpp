#include "cli/fusion_options.h"

#include <QLocale>

#include <cmath>

namespace lumicomb::cli {
namespace {

std::string quotedValue(const QString &text) {
  return QStringLiteral("\"%1\"").arg(text).toStdString();
}

/// A weight of 0-1, with a plain '.' as the decimal point.
std::optional<double> weightValue(const QString &text) {
  bool ok = false;
  const double value = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok || !(value >= 0 && value <= 1))
    return std::nullopt;
  return value;
}

} // namespace

FusionOptions::FusionOptions()
    : m_focusMethod("focus-method",
                    "How \"sharpest\" stacks focus: " + QString::fromStdString(focusMethodNames()) +
                        " (default pyramid: every detail from the frame where it is sharpest; "
                        "depth-map blends the two frames nearest a smooth depth, quieter on "
                        "noisy stacks, for frames in focus order).",
                    "METHOD", "pyramid"),
      m_activityWindow("activity-window",
                       "The square, in pixels, over which \"sharpest\" measures sharpness: odd, "
                       "1-15 (default 5).",
                       "N", "5"),
      m_noConsistency("no-consistency",
                      "Keep \"sharpest\"'s choice of frame at every position as it is, without "
                      "replacing isolated choices by those around them."),
      m_exposureWeight("exposure-weight",
                       "How much \"exposure-fusion\" favours pixels of middle brightness, 0-1 "
                       "(default 1).",
                       "W", "1"),
      m_saturationWeight("saturation-weight",
                         "How much \"exposure-fusion\" favours colourful pixels, 0-1 (default "
                         "0.2).",
                         "W", "0.2"),
      m_contrastWeight("contrast-weight",
                       "How much \"exposure-fusion\" favours pixels amid contrast, 0-1 (default "
                       "0).",
                       "W", "0") {}

QList<QCommandLineOption> FusionOptions::options() const {
  return {m_focusMethod,    m_activityWindow,   m_noConsistency,
          m_exposureWeight, m_saturationWeight, m_contrastWeight};
}

std::optional<std::string> FusionOptions::read(const QCommandLineParser &parser,
                                               FocusParameters &focus,
                                               ExposureWeights &exposure) const {
  const QString method = parser.value(m_focusMethod);
  const std::optional<FocusMethod> named =
      focusMethodNamed(method.trimmed().toLower().toStdString());
  if (!named)
    return "unknown focus method " + quotedValue(method) + " (use " + focusMethodNames() + ")";
  focus.method = *named;
  const QString window = parser.value(m_activityWindow);
  bool ok = false;
  const int side = window.trimmed().toInt(&ok);
  if (!ok || side < 1 || side > 15 || side % 2 == 0)
    return "activity window " + quotedValue(window) + " is not an odd number of 1-15";
  focus.activityWindow = side;
  focus.consistency = !parser.isSet(m_noConsistency);
  const std::pair<const QCommandLineOption *, double *> weights[] = {
      {&m_exposureWeight, &exposure.exposure},
      {&m_saturationWeight, &exposure.saturation},
      {&m_contrastWeight, &exposure.contrast}};
  for (const auto &[option, weight] : weights) {
    const std::optional<double> value = weightValue(parser.value(*option));
    if (!value)
      return option->names().front().replace('-', ' ').toStdString() + " " +
             quotedValue(parser.value(*option)) + " is not 0-1";
    *weight = *value;
  }
  if (exposure.exposure + exposure.saturation + exposure.contrast == 0)
    return "the exposure, saturation and contrast weights are all 0";
  return std::nullopt;
}

} // namespace lumicomb::cli
