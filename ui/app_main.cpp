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

#include <string_view>

namespace {

struct StartOptions {
  bool preview = false;
  QStringList images;
};

/// Reads the command line; prints the help or the version and exits when asked for them.
StartOptions readCommandLine(const QCoreApplication &app) {
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
  StartOptions options;
  options.preview = parser.isSet(preview);
  for (const QString &image : parser.positionalArguments())
    options.images.append(QFileInfo(image).absoluteFilePath());
  return options;
}

/// Whether the command line asks for the help or the version, which need no display: they are
/// answered without one, so that they work anywhere, as when the manual page is made.
bool asksOnlyForText(int argc, char *argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--")
      break;
    if (word == "-h" || word == "-?" || word == "--help" || word == "--help-all" || word == "-v" ||
        word == "--version")
      return true;
  }
  return false;
}

void nameApplication() {
  QCoreApplication::setApplicationName("lumicomb");
  QCoreApplication::setApplicationVersion(LUMICOMB_VERSION);
}

} // namespace

int main(int argc, char *argv[]) {
  if (asksOnlyForText(argc, argv)) {
    QCoreApplication app(argc, argv);
    nameApplication();
    readCommandLine(app);
  }
  lumicomb::keepPictureMemoryInProcess();
  QApplication app(argc, argv);
  nameApplication();
  QApplication::setApplicationDisplayName(lumicomb::ui::appTitle());
  QApplication::setDesktopFileName("io.github.lumicomb.Lumicomb");
  QApplication::setWindowIcon(QIcon(":/lumicomb/icon.png"));
  const StartOptions options = readCommandLine(app);

  lumicomb::SettingsStore store;
  lumicomb::ui::MainWindow window(store);
  window.show();
  if (!options.images.isEmpty()) {
    lumicomb::ui::addImageFiles(&window, window.imageSet(), options.images);
    lumicomb::ui::ImageWindow *imageWindow = window.imageWindow();
    if (options.preview)
      imageWindow->runPreview();
  }
  return QApplication::exec();
}
