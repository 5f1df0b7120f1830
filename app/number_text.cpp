#include "app/number_text.h"

#include "base/errors.h"
#include "base/numbers.h"

#include <QLocale>
#include <QString>

#include <cmath>

namespace lumicomb {
namespace {

std::string culprit(const std::string &what, const std::string &text) {
  return what + " \"" + text + "\"";
}

/// The text as a number in the user's locale, else with a plain '.'; fails naming the box.
double parseNumber(const std::string &text, const std::string &what) {
  const QString trimmed = QString::fromStdString(text).trimmed();
  bool ok = false;
  double value = QLocale::system().toDouble(trimmed, &ok);
  if (!ok)
    value = QLocale::c().toDouble(trimmed, &ok);
  if (!ok || std::isnan(value))
    throw LumicombError(ErrorKind::TypeMismatch, culprit(what, text) + " is not a number");
  return value;
}

} // namespace

int parseBoxByte(const std::string &text, const std::string &what) {
  const double value = parseNumber(text, what);
  const double rounded = roundHalfEven(value);
  if (!(rounded >= 0 && rounded <= 255))
    throw LumicombError(ErrorKind::OutOfRange, culprit(what, text) + " is outside 0-255");
  return static_cast<int>(rounded);
}

int parseDivisor(const std::string &text) {
  const int divisor = parseBoxByte(text, "divisor");
  if (divisor == 0)
    throw LumicombError(ErrorKind::OutOfRange, culprit("divisor", text) + " rounds to 0");
  return divisor;
}

int parseLimit(const std::string &text) { return parseBoxByte(text, "limit"); }

/// A positive finite number; anything else is refused the same way, quoting the text.
double parsePositive(const std::string &text, const std::string &what) {
  const std::string refusal = culprit(what, text) + " is not a positive number";
  double value = 0;
  try {
    value = parseNumber(text, what);
  } catch (const LumicombError &) {
    throw LumicombError(ErrorKind::TypeMismatch, refusal);
  }
  if (!(value > 0) || std::isinf(value))
    throw LumicombError(ErrorKind::OutOfRange, refusal);
  return value;
}

double parseHalfLife(const std::string &text) { return parsePositive(text, "half-life"); }

double parseKappa(const std::string &text, const std::string &what) {
  return parsePositive(text, what);
}

RuleParameters ruleParameters(const RuleDescription &rule, const RuleBoxTexts &texts) {
  RuleParameters parameters;
  if (rule.parameter == RuleParameter::Divisor)
    parameters.divisor = parseDivisor(texts.divisor);
  if (rule.parameter == RuleParameter::Limit)
    parameters.limit = parseLimit(texts.limit);
  if (rule.parameter == RuleParameter::HalfLife)
    parameters.halfLife = parseHalfLife(texts.halfLife);
  if (rule.parameter == RuleParameter::Kappas) {
    parameters.kappaLow = parseKappa(texts.kappaLow, "low kappa");
    parameters.kappaHigh = parseKappa(texts.kappaHigh, "high kappa");
  }
  return parameters;
}

RuleParameters ruleParameters(const RuleDescription &rule, const std::string &divisorText,
                              const std::string &limitText, const std::string &halfLifeText) {
  RuleBoxTexts texts;
  texts.divisor = divisorText;
  texts.limit = limitText;
  texts.halfLife = halfLifeText;
  return ruleParameters(rule, texts);
}

} // namespace lumicomb
