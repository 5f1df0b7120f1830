#pragma once
// The names the program shows for itself. Functions, not constants: a translation is only
// installed once the application runs, long after static constants are made.
#include <QObject>
#include <QString>

namespace lumicomb::ui {

/// The title of every message box.
inline QString appTitle() { return QObject::tr("Lumicomb"); }
/// The caption of the main window and the product name in the About box.
inline QString productName() { return QObject::tr("Orvandel Lumicomb"); }

} // namespace lumicomb::ui
