#include "ui/viewer_window.h"

#include "base/errors.h"
#include "ui/blend_runner.h"
#include "ui/control_names.h"
#include "ui/map_key_view.h"
#include "ui/picture_view.h"
#include "ui/run_progress_bar.h"
#include "ui/shown_map.h"
#include "ui/window_places.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace lumicomb::ui {
namespace {

namespace name = names::viewer;

constexpr QSize kFirstSize{900, 650};
/// The map lets the result show through it, so that what it says can be seen against what is there.
constexpr double kMapOpacity = 0.7;

QToolButton *tool(QWidget *parent, const char *objectName, const QString &caption,
                  const QString &tip) {
  auto *button = new QToolButton(parent);
  button->setObjectName(objectName);
  button->setText(caption);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  return button;
}

QString zoomText(double zoom) {
  const double percent = zoom * 100;
  return QString::number(percent, 'f', percent < 10 ? 1 : 0) + "%";
}

} // namespace

ViewerWindow::ViewerWindow(WindowPlaces &places, QWidget *parent)
    : QWidget(parent, Qt::Window), m_places(places) {
  setObjectName(name::kWindow);
  setWindowTitle(tr("Result"));
  m_view = new PictureView(this);
  m_view->setObjectName(name::kPicture);
  m_view->setFocusPolicy(Qt::StrongFocus);
  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(buildTools());
  column->addWidget(m_view, 1);
  column->addWidget(buildStatusRow());
  addShortcuts();
  connect(m_view, &PictureView::viewChanged, this, &ViewerWindow::updateStatus);
  connect(m_view, &PictureView::hovered, this, [this](std::optional<QPoint> pixel) {
    m_hovered = pixel;
    updateStatus();
  });
  resize(kFirstSize);
  m_places.restore(this, kViewerPlaceKey);
  updateStatus();
}

QWidget *ViewerWindow::buildTools() {
  auto *tools = new QWidget(this);
  auto *row = new QHBoxLayout(tools);
  row->setContentsMargins(6, 4, 6, 4);
  QToolButton *fit = tool(tools, name::kFit, tr("Fit"), tr("The whole result (F)"));
  QToolButton *actual = tool(tools, name::kActualPixels, tr("100%"),
                             tr("One pixel of the result to one of the screen (1, Ctrl+1)"));
  QToolButton *zoomIn = tool(tools, name::kZoomIn, tr("Zoom in"), tr("Closer (+, or the wheel)"));
  QToolButton *zoomOut =
      tool(tools, name::kZoomOut, tr("Zoom out"), tr("Farther (-, or the wheel)"));
  m_beforeToggle = new QCheckBox(tr("Image 1"), tools);
  m_beforeToggle->setObjectName(name::kBefore);
  m_beforeToggle->setToolTip(tr("Image 1 in the result's place, for comparing (or hold B)"));
  m_mapToggle = new QCheckBox(tr("Show map"), tools);
  m_mapToggle->setObjectName(name::kShowMap);
  m_mapToggle->setToolTip(tr("What each pixel came from, in colour over the result: the image it "
                             "was taken from, or how many samples were rejected there (M)"));
  m_mapToggle->setEnabled(false);
  m_fullSizeButton = new QPushButton(tr("Blend at full size"), tools);
  m_fullSizeButton->setObjectName(name::kFullSize);
  m_fullSizeButton->setToolTip(
      tr("Blend every image at full size and keep the result, to look at and to save"));
  for (QWidget *control : std::initializer_list<QWidget *>{fit, actual, zoomIn, zoomOut})
    row->addWidget(control);
  row->addSpacing(12);
  row->addWidget(m_beforeToggle);
  row->addWidget(m_mapToggle);
  row->addStretch(1);
  row->addWidget(m_fullSizeButton);
  connect(fit, &QToolButton::clicked, this, &ViewerWindow::fitToWindow);
  connect(actual, &QToolButton::clicked, this, &ViewerWindow::showActualPixels);
  connect(zoomIn, &QToolButton::clicked, this,
          [this] { m_view->zoomStep(true, m_view->centre()); });
  connect(zoomOut, &QToolButton::clicked, this,
          [this] { m_view->zoomStep(false, m_view->centre()); });
  connect(m_beforeToggle, &QCheckBox::toggled, this, &ViewerWindow::updateBefore);
  connect(m_mapToggle, &QCheckBox::toggled, this, &ViewerWindow::updateMap);
  connect(m_fullSizeButton, &QPushButton::clicked, this, &ViewerWindow::fullSizeRequested);
  return tools;
}

QWidget *ViewerWindow::buildStatusRow() {
  auto *status = new QWidget(this);
  auto *row = new QHBoxLayout(status);
  row->setContentsMargins(6, 3, 6, 3);
  m_status = new QLabel(status);
  m_status->setObjectName(name::kStatus);
  m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  m_mapKey = new MapKeyView(status);
  m_mapKey->setObjectName(name::kMapKey);
  m_mapKey->setFixedWidth(260);
  // The key keeps its room while hidden, so that the picture does not move as it comes and goes.
  QSizePolicy keyPolicy = m_mapKey->sizePolicy();
  keyPolicy.setRetainSizeWhenHidden(true);
  m_mapKey->setSizePolicy(keyPolicy);
  m_mapKey->hide();
  m_progressBar = new RunProgressBar(status);
  m_progressBar->setObjectName(name::kProgressBar);
  m_progressBar->setFixedWidth(280);
  m_progressBar->hide();
  m_cancel = new QPushButton(tr("Cancel"), status);
  m_cancel->setObjectName(name::kCancel);
  m_cancel->hide();
  row->addWidget(m_status, 1);
  row->addWidget(m_mapKey);
  row->addWidget(m_progressBar);
  row->addWidget(m_cancel);
  return status;
}

void ViewerWindow::addShortcuts() {
  const auto add = [this](const QList<QKeySequence> &keys, const std::function<void()> &action) {
    for (const QKeySequence &key : keys)
      connect(new QShortcut(key, this), &QShortcut::activated, this, action);
  };
  add({Qt::Key_F}, [this] { fitToWindow(); });
  add({Qt::Key_1, QKeySequence(Qt::CTRL | Qt::Key_1)}, [this] { showActualPixels(); });
  add({Qt::Key_Plus, Qt::Key_Equal, QKeySequence::ZoomIn},
      [this] { m_view->zoomStep(true, m_view->centre()); });
  add({Qt::Key_Minus, QKeySequence::ZoomOut},
      [this] { m_view->zoomStep(false, m_view->centre()); });
  add({Qt::Key_M}, [this] { m_mapToggle->click(); });
  add({Qt::Key_Escape}, [this] { m_cancel->click(); });
}

void ViewerWindow::followRun(BlendRunner &runner) {
  m_progressBar->follow(runner);
  connect(&runner, &BlendRunner::progressVisibleChanged, this, [this](bool visible) {
    m_progressBar->setVisible(visible);
    m_cancel->setVisible(visible);
  });
  connect(m_cancel, &QPushButton::clicked, &runner, &BlendRunner::requestCancel);
}

void ViewerWindow::setRunning(bool running) { m_fullSizeButton->setEnabled(!running); }

void ViewerWindow::showResult(ViewedResult result) {
  m_result = std::move(result);
  m_before.reset();
  m_beforeProblem.clear();
  m_showingBefore = false;
  m_map.reset();
  m_mapProblem.clear();
  m_mapToggle->setEnabled(m_result.map != nullptr);
  updateBefore();
}

void ViewerWindow::fitToWindow() { m_view->fit(); }

void ViewerWindow::showActualPixels() { m_view->setZoom(1, m_view->centre()); }

void ViewerWindow::showBefore(bool shown) {
  m_holdingB = shown;
  updateBefore();
}

/// Shows image 1 while B is held or the toggle is on, making it the first time.
void ViewerWindow::updateBefore() {
  const bool wanted = (m_holdingB || m_beforeToggle->isChecked()) && m_result.picture;
  if (wanted && !m_before && m_result.before && m_beforeProblem.isEmpty()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
      m_before = m_result.before();
    } catch (const std::bad_alloc &) {
      m_beforeProblem = tr("There is not enough memory to show image 1.");
    } catch (const std::exception &error) {
      m_beforeProblem = QString::fromStdString(oneLine(error.what()));
    }
    QApplication::restoreOverrideCursor();
  }
  m_showingBefore = wanted && m_before;
  m_view->setPicture(m_showingBefore ? m_before : m_result.picture);
  updateMap();
}

void ViewerWindow::showMap(bool shown) { m_mapToggle->setChecked(shown); }

bool ViewerWindow::showsMap() const { return !m_mapKey->key().colours.empty(); }

/// Lays the map over the result while its toggle is on, making it the first time; image 1 is
/// shown bare.
void ViewerWindow::updateMap() {
  const bool wanted = m_mapToggle->isChecked() && m_result.map && !m_showingBefore;
  if (wanted && !m_map && m_mapProblem.isEmpty()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
      m_map = std::make_shared<const ShownMap>(m_result.map);
    } catch (const std::bad_alloc &) {
      m_mapProblem = tr("There is not enough memory to show the map.");
    }
    QApplication::restoreOverrideCursor();
  }
  const bool shown = wanted && m_map;
  m_view->setOverlay(shown ? m_map->picture() : QImage(), kMapOpacity);
  m_mapKey->setKey(shown ? m_map->key() : MapKey{});
  m_mapKey->setVisible(shown);
  updateStatus();
}

void ViewerWindow::updateStatus() {
  const ShownPicture *picture = m_view->picture();
  if (!picture) {
    m_status->setText(tr("No result yet: press \"Preview\" or \"Blend at full size\"."));
    return;
  }
  const QString what = m_showingBefore     ? tr("Image 1")
                       : m_result.fullSize ? tr("Full size")
                                           : tr("Preview");
  QStringList parts{QStringLiteral("%1 %2x%3, %4 bits")
                        .arg(what)
                        .arg(picture->size().width())
                        .arg(picture->size().height())
                        .arg(picture->bits()),
                    zoomText(m_view->zoom())};
  if (m_hovered && QRect(QPoint(), picture->size()).contains(*m_hovered)) {
    parts << QStringLiteral("x %1 y %2").arg(m_hovered->x()).arg(m_hovered->y())
          << picture->samplesAt(*m_hovered);
    if (showsMap())
      parts << m_map->valueAt(*m_hovered);
  }
  if (!m_beforeProblem.isEmpty() && (m_holdingB || m_beforeToggle->isChecked()))
    parts << m_beforeProblem;
  if (!m_mapProblem.isEmpty() && m_mapToggle->isChecked())
    parts << m_mapProblem;
  m_status->setText(parts.join(QStringLiteral("   ")));
}

void ViewerWindow::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_B && !event->isAutoRepeat()) {
    showBefore(true);
    return;
  }
  QWidget::keyPressEvent(event);
}

void ViewerWindow::keyReleaseEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_B && !event->isAutoRepeat()) {
    showBefore(false);
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void ViewerWindow::closeEvent(QCloseEvent *event) {
  m_places.save(this, kViewerPlaceKey);
  QWidget::closeEvent(event);
}

} // namespace lumicomb::ui
