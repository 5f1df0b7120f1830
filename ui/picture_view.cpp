#include "ui/picture_view.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace lumicomb::ui {
namespace {

/// A wheel's notch, in eighths of a degree.
constexpr int kWheelNotch = 120;
/// Zooms closer than this are the same step.
constexpr double kSameZoom = 1.0001;

const QColor kBackground(48, 48, 48);

} // namespace

const std::vector<double> &zoomSteps() {
  static const std::vector<double> steps = {
      1.0 / 32, 1.0 / 24, 1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3,
      1,        2,        3,        4,        6,       8,       12,      16,      24,      32};
  return steps;
}

double nextZoomStep(double zoom, bool in) {
  const std::vector<double> &steps = zoomSteps();
  if (in) {
    const auto above = std::find_if(steps.begin(), steps.end(),
                                    [zoom](double step) { return step > zoom * kSameZoom; });
    return above == steps.end() ? zoom : *above;
  }
  const auto below = std::find_if(steps.rbegin(), steps.rend(),
                                  [zoom](double step) { return step * kSameZoom < zoom; });
  return below == steps.rend() ? zoom : *below;
}

PictureView::PictureView(QWidget *parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setCursor(Qt::OpenHandCursor);
}

void PictureView::setPicture(std::shared_ptr<const ShownPicture> picture) {
  // The part at the centre, as a share of the picture, stays at the centre.
  std::optional<QPointF> share;
  if (m_picture && !m_fitted) {
    const QPointF middle = (centre() - m_origin) / scale();
    share =
        QPointF(middle.x() / m_picture->size().width(), middle.y() / m_picture->size().height());
  }
  m_picture = std::move(picture);
  if (!m_picture || m_fitted || !share) {
    fit();
    return;
  }
  m_origin = centre() - QPointF(share->x() * m_picture->size().width(),
                                share->y() * m_picture->size().height()) *
                            scale();
  placeWithinLimits();
  update();
  emit viewChanged();
}

void PictureView::setOverlay(QImage overlay, double opacity) {
  m_overlay = std::move(overlay);
  m_overlayOpacity = opacity;
  update();
}

double PictureView::scale() const { return m_zoom / devicePixelRatioF(); }

QSizeF PictureView::shownSize() const {
  return m_picture ? QSizeF(m_picture->size()) * scale() : QSizeF();
}

double PictureView::fitZoom() const {
  if (!m_picture || m_picture->size().isEmpty() || size().isEmpty())
    return 1;
  return std::min(static_cast<double>(width()) / m_picture->size().width(),
                  static_cast<double>(height()) / m_picture->size().height()) *
         devicePixelRatioF();
}

void PictureView::fit() {
  m_zoom = fitZoom();
  m_fitted = true;
  placeWithinLimits();
  update();
  emit viewChanged();
}

void PictureView::setZoom(double zoom, QPointF anchor) {
  if (!m_picture)
    return;
  const double lowest = std::min(zoomSteps().front(), fitZoom());
  zoom = std::clamp(zoom, lowest, zoomSteps().back());
  const QPointF under = (anchor - m_origin) / scale();
  m_zoom = zoom;
  m_fitted = false;
  m_origin = anchor - under * scale();
  placeWithinLimits();
  update();
  emit viewChanged();
}

void PictureView::zoomStep(bool in, QPointF anchor) { setZoom(nextZoomStep(m_zoom, in), anchor); }

void PictureView::placeWithinLimits() {
  const QSizeF shown = shownSize();
  const auto within = [](double origin, double shown, double view) {
    return shown <= view ? (view - shown) / 2 : std::clamp(origin, view - shown, 0.0);
  };
  const double ratio = devicePixelRatioF();
  m_origin = QPointF(std::round(within(m_origin.x(), shown.width(), width()) * ratio) / ratio,
                     std::round(within(m_origin.y(), shown.height(), height()) * ratio) / ratio);
}

QPointF PictureView::viewPoint(QPointF picturePoint) const {
  return m_origin + picturePoint * scale();
}

std::optional<QPoint> PictureView::pixelAt(QPointF viewPoint) const {
  if (!m_picture)
    return std::nullopt;
  const QPointF point = (viewPoint - m_origin) / scale();
  const QPoint pixel(static_cast<int>(std::floor(point.x())),
                     static_cast<int>(std::floor(point.y())));
  if (!QRect(QPoint(), m_picture->size()).contains(pixel))
    return std::nullopt;
  return pixel;
}

void PictureView::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), kBackground);
  if (!m_picture)
    return;
  // Whole magnifications show each pixel as a square; any other zoom is scaled smoothly.
  const bool whole = m_zoom >= 1 && std::abs(m_zoom - std::round(m_zoom)) < 1e-9;
  int level = 0;
  while (!whole && level + 1 < m_picture->levels() &&
         m_zoom <=
             static_cast<double>(m_picture->level(level + 1).width()) / m_picture->size().width())
    ++level;
  drawPicture(painter, m_picture->level(level), !whole);
  if (!m_overlay.isNull()) {
    painter.setOpacity(m_overlayOpacity);
    drawPicture(painter, m_overlay, false);
  }
}

/// Draws the image stretched over the picture's place, only the whole pixels of it that show.
void PictureView::drawPicture(QPainter &painter, const QImage &image, bool smooth) const {
  const QSizeF shown = shownSize();
  const QRectF visible = QRectF(rect()).intersected(QRectF(m_origin, shown));
  if (visible.isEmpty())
    return;
  const double toImageX = image.width() / shown.width();
  const double toImageY = image.height() / shown.height();
  const int left =
      std::max(0, static_cast<int>(std::floor((visible.left() - m_origin.x()) * toImageX)));
  const int top =
      std::max(0, static_cast<int>(std::floor((visible.top() - m_origin.y()) * toImageY)));
  const int right = std::min(
      image.width(), static_cast<int>(std::ceil((visible.right() - m_origin.x()) * toImageX)));
  const int bottom = std::min(
      image.height(), static_cast<int>(std::ceil((visible.bottom() - m_origin.y()) * toImageY)));
  const QRectF target(m_origin.x() + left / toImageX, m_origin.y() + top / toImageY,
                      (right - left) / toImageX, (bottom - top) / toImageY);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  painter.drawImage(target, image, QRectF(left, top, right - left, bottom - top));
}

void PictureView::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (m_fitted)
    m_zoom = fitZoom();
  placeWithinLimits();
  emit viewChanged();
}

void PictureView::wheelEvent(QWheelEvent *event) {
  m_wheelTurn += event->angleDelta().y();
  while (std::abs(m_wheelTurn) >= kWheelNotch) {
    zoomStep(m_wheelTurn > 0, event->position());
    m_wheelTurn -= m_wheelTurn > 0 ? kWheelNotch : -kWheelNotch;
  }
  event->accept();
}

void PictureView::mousePressEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton)
    return;
  m_dragFrom = event->position();
  setCursor(Qt::ClosedHandCursor);
}

void PictureView::mouseMoveEvent(QMouseEvent *event) {
  if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
    m_origin += event->position() - *m_dragFrom;
    m_dragFrom = event->position();
    placeWithinLimits();
    update();
    emit viewChanged();
  }
  emit hovered(pixelAt(event->position()));
}

void PictureView::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton)
    return;
  m_dragFrom.reset();
  setCursor(Qt::OpenHandCursor);
}

/// A double click shows the pixels under it at 100%, or the whole picture again.
void PictureView::mouseDoubleClickEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton)
    return;
  if (m_fitted || std::abs(m_zoom - 1) > 1e-9)
    setZoom(1, event->position());
  else
    fit();
}

void PictureView::leaveEvent(QEvent *) { emit hovered(std::nullopt); }

} // namespace lumicomb::ui
