#include "ui/trail_controls.h"

#include "rules/rule_registry.h"
#include "ui/control_names.h"
#include "ui/placed_widgets.h"

#include <QLabel>
#include <QLineEdit>

namespace lumicomb::ui {
namespace {

namespace name = names::imageWindow;

QString halfLifeDefault() {
  for (const RuleDescription &rule : ruleRegistry())
    if (rule.parameter == RuleParameter::HalfLife)
      return rule.defaultText;
  return {};
}

} // namespace

TrailControls::TrailControls(QWidget *parameterFrame) : QObject(parameterFrame) {
  m_halfLifeBox = placed(new QLineEdit(halfLifeDefault(), parameterFrame), name::kHalfLifeBox,
                         {240, 176, 57, 19});
  m_halfLifeCaption = placed(new QLabel(tr("Half-life (frames)"), parameterFrame),
                             name::kHalfLifeCaption, {122, 194, 174, 15});
  m_halfLifeCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_halfLifeCaption->setBuddy(m_halfLifeBox);
  m_halfLifeBox->setToolTip(tr("How many frames back a trail has faded to half its brightness"));
}

std::string TrailControls::halfLifeText() const { return m_halfLifeBox->text().toStdString(); }

} // namespace lumicomb::ui
