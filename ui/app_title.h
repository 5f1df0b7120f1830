#pragma once
// The names the program shows for itself.
#include <QString>

namespace lumicomb::ui {

/// The title of every message box.
inline const QString kAppTitle = QStringLiteral("Lumicomb");
/// The caption of the main window and the product name in the About box.
inline const QString kProductName = QStringLiteral("Orvandel Lumicomb");

} // namespace lumicomb::ui
