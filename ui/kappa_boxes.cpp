#include "ui/kappa_boxes.h"

#include "rules/rule_registry.h"
#include "ui/control_names.h"
#include "ui/placed_widgets.h"

#include <QLabel>
#include <QLineEdit>

namespace lumicomb::ui {

namespace name = names::imageWindow;

KappaBoxes makeKappaBoxes(QWidget *frame, int lowTop, int highTop) {
  const RuleDescription *rule = nullptr;
  for (const RuleDescription &row : ruleRegistry())
    if (row.parameter == RuleParameter::Kappas)
      rule = &row;
  const QString tip = QLabel::tr("A sample further than this many standard deviations %1 the "
                                 "median is rejected; both rejecting means read both boxes.");
  KappaBoxes boxes;
  placed(new QLabel(QLabel::tr("Low κ"), frame), name::kKappaLowCaption, {180, lowTop, 56, 17});
  placed(new QLabel(QLabel::tr("High κ"), frame), name::kKappaHighCaption, {180, highTop, 56, 17});
  boxes.low = placed(new QLineEdit(rule ? rule->defaultText : "", frame), name::kKappaLow,
                     {240, lowTop, 57, 19});
  boxes.high = placed(new QLineEdit(rule ? rule->secondDefaultText : "", frame), name::kKappaHigh,
                      {240, highTop, 57, 19});
  boxes.low->setToolTip(tip.arg(QLabel::tr("below")));
  boxes.high->setToolTip(tip.arg(QLabel::tr("above")));
  return boxes;
}

} // namespace lumicomb::ui
