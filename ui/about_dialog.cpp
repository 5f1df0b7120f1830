#include "ui/about_dialog.h"

#include "app/library_versions.h"
#include "ui/app_title.h"
#include "ui/control_names.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

// The icon lives in a static library, whose resource registration the linker would otherwise
// drop; Q_INIT_RESOURCE has to be used outside any namespace.
static void registerDialogResources() { Q_INIT_RESOURCE(resources); }

namespace lumicomb::ui {
namespace {

namespace name = names::aboutDialog;

QLabel *centredLabel(QWidget *parent, const char *objectName, const QString &text, QRect geometry) {
  auto *label = new QLabel(text, parent);
  label->setObjectName(objectName);
  label->setAlignment(Qt::AlignCenter);
  label->setGeometry(geometry);
  return label;
}

QPixmap programIcon(QSize size) {
  registerDialogResources();
  return QPixmap(QStringLiteral(":/lumicomb/icon.png"))
      .scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

QString revisionText(int major, int minor, int revision) {
  return AboutDialog::tr("Revision %1.%2.%3").arg(major).arg(minor).arg(revision);
}

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(name::kWindow);
  setWindowTitle(tr("About"));
  setFixedSize(264, 170);

  QLabel *icon = centredLabel(this, name::kIcon, QString(), {8, 8, 26, 26});
  icon->setPixmap(programIcon({26, 26}));

  QLabel *product = centredLabel(this, name::kProduct, productName(), {32, 16, 201, 25});
  QFont large = product->font();
  large.setPointSizeF(13.8);
  product->setFont(large);

  centredLabel(this, name::kRevision,
               revisionText(LUMICOMB_VERSION_MAJOR, LUMICOMB_VERSION_MINOR, LUMICOMB_VERSION_PATCH),
               {32, 48, 201, 25});
  centredLabel(this, name::kCredit, tr("Uses FreeImage \u00A9 module"), {32, 88, 201, 17});
  QLabel *libraries = centredLabel(this, name::kLibraries,
                                   QString::fromStdString(libraryVersions()), {8, 104, 249, 28});
  libraries->setWordWrap(true); // four libraries take two lines
  QFont small = libraries->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  libraries->setFont(small);

  auto *close = new QPushButton(tr("Close"), this);
  close->setObjectName(name::kClose);
  close->setGeometry(80, 132, 97, 25);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace lumicomb::ui
