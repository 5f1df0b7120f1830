#pragma once
// The program's one kind of message: modal, an OK button only, no icon, the program's title.
#include <QString>

class QWidget;

namespace lumicomb::ui {

void showMessageBox(QWidget *parent, const QString &text);

} // namespace lumicomb::ui
