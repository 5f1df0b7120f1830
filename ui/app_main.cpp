// lumicomb: the desktop program. Image files named on the command line are added at once and
// the image window is shown; --preview blends them straight away.
#include "base/memory_budget.h"
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
  QApplication::setApplicationDisplayName("Lumicomb");
  QApplication::setApplicationVersion(LUMICOMB_VERSION);
  QApplication::setWindowIcon(QIcon(":/lumicomb/icon.png"));

  QCommandLineParser parser;
  parser.setApplicationDescription("Blends same-size photographs position by position.");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption preview("preview", "Blend a preview of the images at once.");
  parser.addOption(preview);
  parser.addPositionalArgument("IMAGE", "Images to start with, in this order.", "[IMAGE...]");
  parser.process(app);

  lumicomb::SettingsStore store;
  lumicomb::ui::MainWindow window(store);
  window.show();
  QStringList images;
  for (const QString &image : parser.positionalArguments())
    images.append(QFileInfo(image).absoluteFilePath());
  if (!images.isEmpty()) {
    lumicomb::ui::addImageFiles(&window, window.imageSet(), images);
    lumicomb::ui::ImageWindow *form = window.imageWindow();
    if (parser.isSet(preview))
      form->runPreview();
  }
  return QApplication::exec();
}
