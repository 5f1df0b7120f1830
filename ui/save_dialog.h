#pragma once
// The save-as dialog behind "Save image as ...".
#include "app/save_image.h"

#include <QStringList>

class QWidget;

namespace lumicomb::ui {

/// "Tiff (*.TIF)|*.TIF|Jpeg (*.JPG)|*.JPG|..." as the dialog's entries: "Tiff (*.TIF)", ...
QStringList dialogFilters(const std::string &filterString);

/// A modal file dialog with the filter entries in the table's order; the entry chosen comes back
/// as its 1-based index. When the type's extension turns the name into that of an existing file,
/// the user is asked before it is replaced; "No" answers like a cancelled dialog.
class SaveAsDialog : public SaveFileDialog {
public:
  explicit SaveAsDialog(QWidget *parent) : m_parent(parent) {}

  std::optional<SaveChoice> askForFile(const std::string &initialName, const std::string &filter,
                                       int initialFilterIndex) override;

private:
  QWidget *m_parent;
};

} // namespace lumicomb::ui
