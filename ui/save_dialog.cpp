#include "ui/save_dialog.h"

#include "output/file_types.h"
#include "ui/app_title.h"
#include "ui/control_names.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace lumicomb::ui {
namespace {

/// The dialog asks before replacing the name as typed; the type's extension can make it another
/// name, and a file of that name must not be replaced without asking either.
bool mayWrite(QWidget *parent, const std::string &chosenName, int filterIndex) {
  const std::string written = withTypeExtension(chosenName, fileTypeRow(filterIndex));
  const QString path = QString::fromStdString(written);
  if (written == chosenName || !QFileInfo::exists(path))
    return true;
  QMessageBox question(QMessageBox::NoIcon, appTitle(),
                       QObject::tr("%1 already exists.\nDo you want to replace it?").arg(path),
                       QMessageBox::Yes | QMessageBox::No, parent);
  question.setDefaultButton(QMessageBox::No);
  return question.exec() == QMessageBox::Yes;
}

} // namespace

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
  dialog.setObjectName(names::kSaveDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(entries);
  dialog.selectNameFilter(entries.value(initialFilterIndex - 1));
  dialog.selectFile(QString::fromStdString(initialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  const int found = static_cast<int>(entries.indexOf(dialog.selectedNameFilter())) + 1;
  const SaveChoice choice{dialog.selectedFiles().first().toStdString(), found > 0 ? found : 1};
  if (!mayWrite(m_parent, choice.fileName, choice.filterIndex))
    return std::nullopt;
  return choice;
}

} // namespace lumicomb::ui
