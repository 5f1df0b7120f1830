#include "ui/run_progress_bar.h"

#include "ui/blend_runner.h"

#include <algorithm>
#include <limits>

namespace lumicomb::ui {

RunProgressBar::RunProgressBar(QWidget *parent) : QProgressBar(parent) {
  setRange(0, 1);
  setValue(0);
  setFormat({});
}

void RunProgressBar::follow(const BlendRunner &runner) {
  connect(&runner, &BlendRunner::phaseChanged, this, [this](const QString &name, qint64 frames) {
    startPhase({name.toStdString(), frames});
  });
  connect(&runner, &BlendRunner::progressMaximumChanged, this, &RunProgressBar::setRunMaximum);
  connect(&runner, &BlendRunner::progressValueChanged, this, &RunProgressBar::setRunValue);
}

void RunProgressBar::startPhase(const RunPhase &phase) {
  m_text.startPhase(phase, ProgressText::Clock::now());
  setRange(0, 1);
  setValue(0);
  showText();
}

void RunProgressBar::setRunMaximum(double maximum) {
  m_text.setMaximum(maximum);
  setRange(0, static_cast<int>(
                  std::clamp(maximum, 1.0, static_cast<double>(std::numeric_limits<int>::max()))));
  showText();
}

void RunProgressBar::setRunValue(qint64 value) {
  m_text.setValue(value);
  setValue(static_cast<int>(std::clamp<qint64>(value, 0, maximum())));
  showText();
}

void RunProgressBar::showText() {
  QString text = QString::fromStdString(m_text.text(ProgressText::Clock::now()));
  if (!text.isEmpty())
    text[0] = text[0].toUpper();
  setFormat(text);
}

} // namespace lumicomb::ui
