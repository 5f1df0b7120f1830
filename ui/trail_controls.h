#pragma once
// What the rule group offers for star trails besides its rules: the "Half-life (frames)" box of
// "Comet trails", beside that rule's button, and "Close gaps" beside "Brightest" and "Darkest",
// offered while a rule that closes gaps is chosen.
#include "settings/settings.h"

#include <QObject>

#include <string>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace lumicomb::ui {

class TrailControls : public QObject {
  Q_OBJECT
public:
  /// Places the controls in the rule group's frame; "Close gaps" starts as the settings say and
  /// is offered while the group's chosen rule closes gaps.
  TrailControls(QWidget *parameterFrame, QButtonGroup *rules, RunningSettings &settings);

  std::string halfLifeText() const;
  /// Whether the chosen rule's gaps are to be closed.
  bool closesGaps() const;

signals:
  /// The user ticked or cleared "Close gaps"; the running settings already say so.
  void closeGapsChanged(bool close);

private:
  QButtonGroup *m_rules;
  QLineEdit *m_halfLifeBox = nullptr;
  QLabel *m_halfLifeCaption = nullptr;
  QCheckBox *m_closeGaps = nullptr;
};

} // namespace lumicomb::ui
