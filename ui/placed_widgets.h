#pragma once
// Controls at fixed pixel places, the way every window of the program lays itself out: group
// boxes with a bold caption, and controls inside them at the normal weight.
#include <QGroupBox>
#include <QPushButton>

#include <algorithm>

namespace lumicomb::ui {

inline QGroupBox *boldGroupBox(QWidget *parent, const char *objectName, const QString &caption,
                               QRect geometry) {
  auto *box = new QGroupBox(caption, parent);
  box->setObjectName(objectName);
  box->setGeometry(geometry);
  QFont bold = box->font();
  bold.setBold(true);
  box->setFont(bold);
  return box;
}

/// Names the control and puts it in place at the normal weight (not a group box's bold one). A
/// button is never narrower than its caption needs in the desktop's font.
template <typename Widget> Widget *placed(Widget *widget, const char *objectName, QRect geometry) {
  widget->setObjectName(objectName);
  QFont normal = widget->font();
  normal.setBold(false);
  widget->setFont(normal);
  if (qobject_cast<QPushButton *>(widget))
    geometry.setWidth(std::max(geometry.width(), widget->sizeHint().width()));
  widget->setGeometry(geometry);
  return widget;
}

} // namespace lumicomb::ui
