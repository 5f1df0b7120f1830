#include "ui/message_box.h"

#include "ui/app_title.h"

#include <QMessageBox>

namespace lumicomb::ui {

void showMessageBox(QWidget *parent, const QString &text) {
  QMessageBox box(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok, parent);
  box.setObjectName("MessageBox");
  box.exec();
}

} // namespace lumicomb::ui
