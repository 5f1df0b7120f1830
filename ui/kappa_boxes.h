#pragma once
// The "Low κ" and "High κ" boxes of the rejecting means, with their captions, in the rule group
// beside those two rules: both rules read both boxes.
class QLineEdit;
class QWidget;

namespace lumicomb::ui {

struct KappaBoxes {
  QLineEdit *low = nullptr;
  QLineEdit *high = nullptr;
};

/// Makes the boxes in `frame`, on the rows starting at `lowTop` and `highTop`, holding the
/// registry's first texts.
KappaBoxes makeKappaBoxes(QWidget *frame, int lowTop, int highTop);

} // namespace lumicomb::ui
