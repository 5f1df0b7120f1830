#pragma once
// The image window's progress bar: it fills as the run's phase goes on and says which phase it
// is, its count and the time left, as the command-line tool does ("Blending 7/11  0:03 left").
#include "app/progress_text.h"

#include <QProgressBar>

namespace lumicomb::ui {

class BlendRunner;

class RunProgressBar : public QProgressBar {
  Q_OBJECT
public:
  explicit RunProgressBar(QWidget *parent = nullptr);

  /// Shows what `runner`'s runs tell of their phases and progress.
  void follow(const BlendRunner &runner);

  void startPhase(const RunPhase &phase);
  void setRunMaximum(double maximum);
  void setRunValue(qint64 value);

private:
  void showText();

  ProgressText m_text;
};

} // namespace lumicomb::ui
