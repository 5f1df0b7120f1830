#pragma once
// What the rule group offers for focus stacking besides the "Sharpest" button: "Depth map", the
// quieter method for noisy stacks, offered while "Sharpest" is chosen.
#include "fusion/fusion_rules.h"

#include <QObject>

class QButtonGroup;
class QCheckBox;
class QWidget;

namespace lumicomb::ui {

class FocusControls : public QObject {
  Q_OBJECT
public:
  /// The box stands at `top` of the parameter frame, beside "Align images".
  FocusControls(QWidget *parameterFrame, QButtonGroup *rules, int top);

  /// How "Sharpest" stacks focus: by depth map where the box is ticked, else by the pyramid.
  FocusMethod method() const;

private:
  QCheckBox *m_depthMap = nullptr;
};

} // namespace lumicomb::ui
