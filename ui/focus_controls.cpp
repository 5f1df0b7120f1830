#include "ui/focus_controls.h"

#include "rules/rule_registry.h"
#include "ui/control_names.h"
#include "ui/placed_widgets.h"

#include <QButtonGroup>
#include <QCheckBox>

#include <cstring>

namespace lumicomb::ui {
namespace {

bool stacksFocus(const QButtonGroup *rules) {
  return std::strcmp(ruleDescription(std::max(0, rules->checkedId())).commandName, "sharpest") == 0;
}

} // namespace

FocusControls::FocusControls(QWidget *parameterFrame, QButtonGroup *rules, int top)
    : QObject(parameterFrame) {
  m_depthMap = placed(new QCheckBox(tr("Depth map"), parameterFrame), names::imageWindow::kDepthMap,
                      {122, top, 110, 17});
  m_depthMap->setToolTip(tr("For \"Sharpest\": blend the two frames nearest a smooth depth "
                            "instead of taking every detail where it is sharpest; quieter on a "
                            "noisy stack, softer where depth jumps. The frames must be in focus "
                            "order."));
  const auto offer = [this, rules] { m_depthMap->setEnabled(stacksFocus(rules)); };
  connect(rules, &QButtonGroup::idToggled, this, offer);
  offer();
}

FocusMethod FocusControls::method() const {
  return m_depthMap->isEnabled() && m_depthMap->isChecked() ? FocusMethod::DepthMap
                                                            : FocusMethod::Pyramid;
}

} // namespace lumicomb::ui
