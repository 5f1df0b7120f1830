#pragma once
// "Orvandel Lumicomb": the main window. It holds the settings and the image set for the run,
// the image window as its only child, and the File, Setup and About menus.
#include "imaging/image_set.h"
#include "settings/settings.h"
#include "ui/add_images_dialog.h"
#include "ui/save_dialog.h"
#include "ui/window_places.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QMdiArea;
class QMdiSubWindow;

namespace lumicomb::ui {

class ImageWindow;

class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  /// Starts with the settings read from `store` and an image set holding only the result slot.
  explicit MainWindow(SettingsStore &store, QWidget *parent = nullptr);
  ~MainWindow() override;

  ImageSet &imageSet() { return m_set; }
  RunningSettings &settings() { return m_settings; }
  /// The image window, opened and shown first if it is closed; its list is filled when it opens.
  ImageWindow *imageWindow();
  /// The image window if it is open.
  ImageWindow *openImageWindow() const { return m_imageWindow; }
  /// The save-as dialog that "Save image as ..." asks; tests put a scripted one in its place.
  void setSaveDialog(SaveFileDialog *dialog) { m_saveDialog = dialog; }

  void openImages();
  void openSetup();
  void openAbout();

protected:
  void closeEvent(QCloseEvent *event) override;
  void changeEvent(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void buildMenus();
  void onPreviewSizeChanged();
  /// Decides from the window's state which menu entries are available.
  void updateActions();
  void growToShow(const QMdiSubWindow *subWindow);
  /// A maximised main window maximises the image window in it too, and gives it back its size
  /// when it is restored.
  void followMaximised();

  SettingsStore &m_store;
  RunningSettings m_settings;
  ImageSet m_set;
  AddImagesMemory m_addMemory;
  SaveAsDialog m_saveAsDialog;
  SaveFileDialog *m_saveDialog;
  WindowPlaces m_places;
  QMdiArea *m_mdiArea = nullptr;
  QPointer<ImageWindow> m_imageWindow;
  QAction *m_openImages = nullptr;
  QAction *m_setup = nullptr;
  bool m_imageWindowMaximisedWithMe = false;
};

} // namespace lumicomb::ui
