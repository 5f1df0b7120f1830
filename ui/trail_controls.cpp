#include "ui/trail_controls.h"

#include "passes/gap_bridging.h"
#include "rules/rule_registry.h"
#include "ui/control_names.h"
#include "ui/placed_widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
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

TrailControls::TrailControls(QWidget *parameterFrame, QButtonGroup *rules,
                             RunningSettings &settings)
    : QObject(parameterFrame), m_rules(rules) {
  m_halfLifeBox = placed(new QLineEdit(halfLifeDefault(), parameterFrame), name::kHalfLifeBox,
                         {240, 176, 57, 19});
  m_halfLifeCaption = placed(new QLabel(tr("Half-life (frames)"), parameterFrame),
                             name::kHalfLifeCaption, {152, 194, 144, 15});
  m_halfLifeCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_halfLifeCaption->setBuddy(m_halfLifeBox);
  m_halfLifeBox->setToolTip(tr("How many frames back a trail has faded to half its brightness"));
  m_closeGaps =
      placed(new QCheckBox(tr("Close gaps"), parameterFrame), name::kCloseGaps, {240, 43, 85, 17});
  m_closeGaps->setToolTip(tr("Draw the pieces of star trails that the pauses between frames "
                             "left out (\"Brightest\" and \"Comet trails\")"));
  m_closeGaps->setChecked(settings.closeGaps);
  connect(m_closeGaps, &QCheckBox::toggled, this, [this, &settings](bool close) {
    settings.closeGaps = close;
    emit closeGapsChanged(close);
  });
  const auto offer = [this] {
    m_closeGaps->setEnabled(
        lumicomb::closesGaps(ruleDescription(std::max(0, m_rules->checkedId()))));
  };
  connect(m_rules, &QButtonGroup::idToggled, this, offer);
  offer();
}

bool TrailControls::closesGaps() const {
  return m_closeGaps->isEnabled() && m_closeGaps->isChecked();
}

std::string TrailControls::halfLifeText() const { return m_halfLifeBox->text().toStdString(); }

} // namespace lumicomb::ui
