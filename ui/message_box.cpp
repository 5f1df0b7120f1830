#include "ui/message_box.h"

#include "ui/app_title.h"
#include "ui/control_names.h"

#include <QMessageBox>

namespace lumicomb::ui {

void showMessageBox(QWidget *parent, const QString &text) {
  QMessageBox box(QMessageBox::NoIcon, appTitle(), text, QMessageBox::Ok, parent);
  box.setObjectName(names::kMessageBox);
  box.exec();
}

} // namespace lumicomb::ui
