#pragma once
// What the rule group offers for star trails besides its rules: the "Half-life (frames)" box of
// "Comet trails", beside that rule's button.
#include <QObject>

#include <string>

class QLabel;
class QLineEdit;
class QWidget;

namespace lumicomb::ui {

class TrailControls : public QObject {
  Q_OBJECT
public:
  /// Places the controls in the rule group's frame.
  explicit TrailControls(QWidget *parameterFrame);

  std::string halfLifeText() const;

private:
  QLineEdit *m_halfLifeBox = nullptr;
  QLabel *m_halfLifeCaption = nullptr;
};

} // namespace lumicomb::ui
