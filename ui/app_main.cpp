// lumicomb: the desktop program. Image files named on the command line are added at once and
// the image window is shown; --preview blends them straight away.
#include "base/memory_budget.h"
#include "ui/app_title.h"
#include "ui/image_adding.h"
#include "ui/image_window.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

int main(int argc, char *argv[]) {
  lumicomb::keepPictureMemoryInProcess();
  QApplication app(argc, argv);
  QApplication::setApplicationName("lumicomb");
  QApplication::setApplicationDisplayName(lumicomb::ui::appTitle());
  QApplication::setApplicationVersion(LUMICOMB_VERSION);
  QApplication::setWindowIcon(QIcon(":/lumicomb/icon.png"));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QCoreApplication::translate("main", "Blends same-size photographs position by position."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption preview(
      "preview", QCoreApplication::translate("main", "Blend a preview of the images at once."));
  parser.addOption(preview);
  parser.addPositionalArgument(
      QCoreApplication::translate("main", "IMAGE"),
      QCoreApplication::translate("main", "Images to start with, in this order."),
      QCoreApplication::translate("main", "[IMAGE...]"));
  parser.process(app);

  lumicomb::SettingsStore store;
  lumicomb::ui::MainWindow window(store);
  window.show();
  QStringList images;
  for (const QString &image : parser.positionalArguments())
    images.append(QFileInfo(image).absoluteFilePath());
  if (!images.isEmpty()) {
    lumicomb::ui::addImageFiles(&window, window.imageSet(), images);
    lumicomb::ui::ImageWindow *imageWindow = window.imageWindow();
    if (parser.isSet(preview))
      imageWindow->runPreview();
  }
  return QApplication::exec();
}
