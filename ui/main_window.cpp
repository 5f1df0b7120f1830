#include "ui/main_window.h"

#include "base/errors.h"
#include "ui/about_dialog.h"
#include "ui/app_title.h"
#include "ui/control_names.h"
#include "ui/image_window.h"
#include "ui/message_box.h"
#include "ui/setup_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>

namespace lumicomb::ui {
namespace {

namespace name = names::mainWindow;

constexpr QSize kInitialClientSize{546, 478};

QMenu *menu(QMenuBar *bar, const char *objectName, const QString &caption) {
  QMenu *created = bar->addMenu(caption);
  created->setObjectName(objectName);
  return created;
}

QAction *entry(QMenu *menu, const char *objectName, const QString &caption) {
  QAction *action = menu->addAction(caption);
  action->setObjectName(objectName);
  return action;
}

} // namespace

MainWindow::MainWindow(SettingsStore &store, QWidget *parent)
    : QMainWindow(parent), m_store(store), m_settings(loadSettings(store)), m_saveAsDialog(this),
      m_saveDialog(&m_saveAsDialog), m_places(store) {
  setObjectName(name::kWindow);
  setWindowTitle(productName());
  setWindowIcon(QIcon(":/lumicomb/icon.png"));
  m_mdiArea = new QMdiArea(this);
  m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(m_mdiArea);
  buildMenus();
  updateActions();
  resize(kInitialClientSize.width(), kInitialClientSize.height() + menuBar()->sizeHint().height());
  m_places.restore(this, kMainWindowPlaceKey);
}

MainWindow::~MainWindow() {
  if (m_imageWindow)
    m_imageWindow->cancelRun();
}

void MainWindow::buildMenus() {
  QMenu *file = menu(menuBar(), name::kFileMenu, tr("&File"));
  m_openImages = entry(file, name::kOpenImages, tr("Open image(s)"));
  file->addSeparator()->setObjectName(name::kFileSeparator);
  QAction *exit = entry(file, name::kExit, tr("&Exit"));
  m_setup = entry(menu(menuBar(), name::kSetupMenu, tr("&Setup")), name::kSetup, tr("&Setup"));
  QAction *about =
      entry(menu(menuBar(), name::kAboutMenu, tr("&About")), name::kAbout, tr("&About"));
  connect(m_openImages, &QAction::triggered, this, &MainWindow::openImages);
  connect(exit, &QAction::triggered, this, &QWidget::close);
  connect(m_setup, &QAction::triggered, this, &MainWindow::openSetup);
  connect(about, &QAction::triggered, this, &MainWindow::openAbout);
}

ImageWindow *MainWindow::imageWindow() {
  if (m_imageWindow)
    return m_imageWindow;
  auto *window = new ImageWindow(m_set, m_settings, m_addMemory, *m_saveDialog, m_places);
  QMdiSubWindow *subWindow = m_mdiArea->addSubWindow(window);
  subWindow->setAttribute(Qt::WA_DeleteOnClose);
  subWindow->setWindowIcon(windowIcon());
  subWindow->installEventFilter(this);
  connect(window, &ImageWindow::runningChanged, this, &MainWindow::updateActions);
  connect(window, &ImageWindow::switchChanged, this, [this](const QString &key, bool on) {
    try {
      saveSwitch(m_store, key.toStdString(), on);
    } catch (const std::exception &error) {
      showMessageBox(this, QString::fromStdString(oneLine(error.what())));
    }
  });
  connect(window, &ImageWindow::alignImagesChanged, this, [this](bool align) {
    try {
      saveAlignImages(m_store, align);
    } catch (const std::exception &error) {
      showMessageBox(this, QString::fromStdString(oneLine(error.what())));
    }
  });
  // Forgotten at once, not when the closed window is finally deleted, so that the next
  // request opens a fresh one.
  connect(window, &ImageWindow::closed, this, [this] {
    m_imageWindow = nullptr;
    m_imageWindowMaximisedWithMe = false;
    updateActions();
  });
  m_imageWindow = window;
  subWindow->show();
  growToShow(subWindow);
  followMaximised();
  // A window opened by a redraw lists the images it is about to draw.
  window->refreshImageList();
  return window;
}

void MainWindow::openImages() {
  AddImagesDialog dialog(m_set, m_addMemory, this);
  dialog.exec();
  if (m_imageWindow)
    m_imageWindow->refreshImageList();
  else
    imageWindow(); // opening fills the list
}

void MainWindow::openSetup() {
  SetupDialog dialog(
      m_settings, m_store, [this] { onPreviewSizeChanged(); }, this);
  dialog.exec();
}

void MainWindow::openAbout() {
  AboutDialog dialog(this);
  dialog.exec();
}

/// New preview sizes: every preview is made again when next needed, image 1 at once.
void MainWindow::onPreviewSizeChanged() {
  if (m_set.sourceCount() == 0)
    return;
  m_set.discardPreviews();
  const bool wasOpen = m_imageWindow;
  ImageWindow *window = imageWindow();
  if (wasOpen)
    window->showSourcePreview(1);
}

/// A run reads the image set and the preview size, so neither may change under it.
void MainWindow::updateActions() {
  const bool running = m_imageWindow && m_imageWindow->isRunning();
  m_openImages->setEnabled(!running);
  m_setup->setEnabled(!running);
}

/// The main window grows so that the whole image window can be seen, as far as the screen
/// allows; it never shrinks on its own.
void MainWindow::growToShow(const QMdiSubWindow *subWindow) {
  const QRect frame = subWindow->geometry();
  const QSize needed(frame.right() + 1, frame.bottom() + 1);
  const QSize area = m_mdiArea->viewport()->size();
  QSize growth(std::max(0, needed.width() - area.width()),
               std::max(0, needed.height() - area.height()));
  if (growth.isNull() || isMaximized() || isFullScreen())
    return;
  QSize wanted = size() + growth;
  if (const QScreen *screen = this->screen())
    wanted = wanted.boundedTo(screen->availableGeometry().size());
  resize(wanted);
}

void MainWindow::changeEvent(QEvent *event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange)
    followMaximised();
}

void MainWindow::followMaximised() {
  if (!m_imageWindow)
    return;
  QWidget *subWindow = m_imageWindow->parentWidget();
  if (isMaximized() && !subWindow->isMaximized() && !subWindow->isMinimized()) {
    subWindow->showMaximized();
    m_imageWindowMaximisedWithMe = true;
  } else if (!isMaximized() && m_imageWindowMaximisedWithMe) {
    if (subWindow->isMaximized())
      subWindow->showNormal();
    m_imageWindowMaximisedWithMe = false;
  }
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::Resize)
    if (auto *subWindow = qobject_cast<QMdiSubWindow *>(watched))
      growToShow(subWindow);
  return QMainWindow::eventFilter(watched, event);
}

/// Closing during a run stops the run first and waits for it; then the image window closes,
/// which releases the set's bitmaps, and whatever is left goes too.
void MainWindow::closeEvent(QCloseEvent *event) {
  m_places.save(this, kMainWindowPlaceKey);
  if (m_imageWindow) {
    m_imageWindow->cancelRun();
    m_mdiArea->closeAllSubWindows();
  }
  m_set.releaseAllBitmaps();
  event->accept();
}

} // namespace lumicomb::ui
