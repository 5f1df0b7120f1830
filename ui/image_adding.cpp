#include "ui/image_adding.h"

#include "base/errors.h"
#include "imaging/image_check.h"
#include "ui/message_box.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>

namespace lumicomb::ui {
namespace {

std::string localPath(const QString &path) { return QFile::encodeName(path).toStdString(); }

QString refusal(const QString &path, const std::string &reason) {
  return QString::fromStdString(quoted(path.toStdString()) + ": " + reason);
}

void appendOne(ImageSet &set, const QString &path, bool asDark) {
  const QFileInfo file(path);
  if (asDark)
    set.appendDarks(localPath(file.absolutePath()), {localPath(file.fileName())});
  else
    set.append(localPath(file.absolutePath()), {localPath(file.fileName())});
}

} // namespace

int addImageFiles(QWidget *parent, ImageSet &set, const QStringList &paths, bool asDarks) {
  QStringList refused;
  QString overflow;
  int added = 0;
  for (const QString &path : paths) {
    if (const auto reason = unreadableReason(localPath(path))) {
      refused.append(refusal(path, *reason));
      continue;
    }
    try {
      appendOne(set, path, asDarks);
      ++added;
    } catch (const LumicombError &error) {
      overflow = QString::fromStdString(error.what()); // the list is full: the rest stay out too
      break;
    }
  }
  if (!refused.isEmpty())
    showMessageBox(parent, QObject::tr("These files were not added:\n%1").arg(refused.join('\n')));
  if (!overflow.isEmpty())
    showMessageBox(parent, overflow);
  return added;
}

} // namespace lumicomb::ui
