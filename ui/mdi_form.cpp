#include "ui/mdi_form.h"

#include "ui/app_title.h"
#include "ui/form_about.h"
#include "ui/form_image.h"
#include "ui/form_setup.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>

namespace lumicomb::ui {
namespace {

constexpr QSize kInitialClientSize{546, 478};

QMenu *menu(QMenuBar *bar, const char *name, const QString &caption) {
  QMenu *created = bar->addMenu(caption);
  created->setObjectName(name);
  return created;
}

QAction *entry(QMenu *menu, const char *name, const QString &caption) {
  QAction *action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

} // namespace

MDIForm1::MDIForm1(SettingsStore &store, QWidget *parent)
    : QMainWindow(parent), m_store(store), m_settings(LoadSettings(store)), m_commonDialog1(this),
      m_saveDialog(&m_commonDialog1) {
  setObjectName("MDIForm1");
  setWindowTitle(kProductName);
  setWindowIcon(QIcon(":/lumicomb/icon.png"));
  m_mdiArea = new QMdiArea(this);
  m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(m_mdiArea);
  buildMenus();
  resize(kInitialClientSize.width(), kInitialClientSize.height() + menuBar()->sizeHint().height());
}

MDIForm1::~MDIForm1() {
  if (m_formImage)
    m_formImage->cancelRun();
}

void MDIForm1::buildMenus() {
  QMenu *file = menu(menuBar(), "CmdFile", tr("&File"));
  m_openImages = entry(file, "CmdFileOpenFreeImage", tr("Open image(s)"));
  file->addSeparator()->setObjectName("Sep2");
  QAction *exit = entry(file, "CmdFileExit", tr("&Exit"));
  m_setup = entry(menu(menuBar(), "CmdSetup", tr("&Setup")), "CmdSetupSetup", tr("&Setup"));
  QAction *about = entry(menu(menuBar(), "CmdAbout", tr("&About")), "CmdAboutAbout", tr("&About"));
  connect(m_openImages, &QAction::triggered, this, &MDIForm1::openImages);
  connect(exit, &QAction::triggered, this, &QWidget::close);
  connect(m_setup, &QAction::triggered, this, &MDIForm1::openSetup);
  connect(about, &QAction::triggered, this, &MDIForm1::openAbout);
}

FormImage *MDIForm1::imageWindow() {
  if (m_formImage)
    return m_formImage;
  auto *form = new FormImage(m_set, m_settings, m_addMemory, *m_saveDialog);
  QMdiSubWindow *subWindow = m_mdiArea->addSubWindow(form);
  subWindow->setAttribute(Qt::WA_DeleteOnClose);
  subWindow->setWindowIcon(windowIcon());
  subWindow->installEventFilter(this);
  connect(form, &FormImage::runningChanged, this,
          [this](bool running) { setMenusAvailable(!running); });
  // Forgotten at once, not when the closed window is finally deleted, so that the next
  // request opens a fresh one.
  connect(form, &FormImage::closed, this, [this] { m_formImage = nullptr; });
  m_formImage = form;
  subWindow->show();
  growToShow(subWindow);
  // A window opened by a redraw lists the images it is about to draw.
  form->BlendImageListUpdate();
  return form;
}

void MDIForm1::openImages() {
  FormAddImages dialog(m_set, m_addMemory, this);
  dialog.exec();
  if (m_formImage)
    m_formImage->BlendImageListUpdate();
  else
    imageWindow(); // opening fills the list
}

void MDIForm1::openSetup() {
  FormSetup dialog(
      m_settings, m_store, [this] { onPreviewSizeChanged(); }, this);
  dialog.exec();
}

void MDIForm1::openAbout() {
  FormAbout dialog(this);
  dialog.exec();
}

/// New preview sizes: every preview is made again when next needed, image 1 at once.
void MDIForm1::onPreviewSizeChanged() {
  if (m_set.sourceCount() == 0)
    return;
  m_set.DiscardPreviews();
  const bool wasOpen = m_formImage;
  FormImage *form = imageWindow();
  if (wasOpen)
    form->ShowSourcePreview(1);
}

void MDIForm1::setMenusAvailable(bool available) {
  m_openImages->setEnabled(available);
  m_setup->setEnabled(available);
}

/// The main window grows so that the whole image window can be seen, as far as the screen
/// allows; it never shrinks on its own.
void MDIForm1::growToShow(const QMdiSubWindow *subWindow) {
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

bool MDIForm1::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::Resize)
    if (auto *subWindow = qobject_cast<QMdiSubWindow *>(watched))
      growToShow(subWindow);
  return QMainWindow::eventFilter(watched, event);
}

/// Closing during a run stops the run first and waits for it; then the image window closes,
/// which releases the set's bitmaps, and whatever is left goes too.
void MDIForm1::closeEvent(QCloseEvent *event) {
  if (m_formImage) {
    m_formImage->cancelRun();
    m_mdiArea->closeAllSubWindows();
  }
  m_set.ReleaseAllBitmaps();
  event->accept();
}

} // namespace lumicomb::ui
