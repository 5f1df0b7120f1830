#pragma once
// The options of "Sharpest" and "Exposure fusion" on the command line.
#include "fusion/fusion_rules.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <optional>
#include <string>

namespace lumicomb::cli {

class FusionOptions {
public:
  FusionOptions();
  QList<QCommandLineOption> options() const;
  /// Reads the options into the parameters; says what is wrong when a value is refused.
  std::optional<std::string> read(const QCommandLineParser &parser, FocusParameters &focus,
                                  ExposureWeights &exposure) const;

private:
  QCommandLineOption m_focusMethod;
  QCommandLineOption m_activityWindow;
  QCommandLineOption m_noConsistency;
  QCommandLineOption m_exposureWeight;
  QCommandLineOption m_saturationWeight;
  QCommandLineOption m_contrastWeight;
};

} // namespace lumicomb::cli
