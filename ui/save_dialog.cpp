#include "ui/save_dialog.h"

#include <QFileDialog>

namespace lumicomb::ui {

QStringList dialogFilters(const std::string &filterString) {
  const QStringList parts = QString::fromStdString(filterString).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    entries.append(parts[i]);
  return entries;
}

std::optional<SaveChoice> SaveAsDialog::askForFile(const std::string &initialName,
                                                   const std::string &filter,
                                                   int initialFilterIndex) {
  const QStringList entries = dialogFilters(filter);
  QFileDialog dialog(m_parent, QObject::tr("Save image as"), QString::fromStdString(initialName));
  dialog.setObjectName("CommonDialog1");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(entries);
  dialog.selectNameFilter(entries.value(initialFilterIndex - 1));
  dialog.selectFile(QString::fromStdString(initialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  const int index = static_cast<int>(entries.indexOf(dialog.selectedNameFilter())) + 1;
  return SaveChoice{dialog.selectedFiles().first().toStdString(), index > 0 ? index : 1};
}

} // namespace lumicomb::ui
