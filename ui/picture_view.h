#pragma once
// The viewer's canvas: one picture at a zoom, panned by dragging and zoomed by the wheel around
// the cursor. The zoom counts screen pixels per picture pixel: at 1 (100%) each pixel of the
// picture is one pixel of the screen, whatever the screen's pixel density.
#include "ui/shown_picture.h"

#include <QImage>
#include <QPointF>
#include <QWidget>

#include <memory>
#include <optional>

namespace lumicomb::ui {

/// The zooms the steps go through: whole magnifications above 100%, so that a pixel is a square.
const std::vector<double> &zoomSteps();
/// The next step above (`in`) or below the zoom; the zoom itself at either end.
double nextZoomStep(double zoom, bool in);

class PictureView : public QWidget {
  Q_OBJECT
public:
  explicit PictureView(QWidget *parent = nullptr);

  /// Shows the picture. A fitted view fits it; any other keeps its zoom and the part of the
  /// picture at its centre.
  void setPicture(std::shared_ptr<const ShownPicture> picture);
  const ShownPicture *picture() const { return m_picture.get(); }
  /// Drawn over the picture, stretched to it, at the opacity; a null image draws nothing.
  void setOverlay(QImage overlay, double opacity);

  double zoom() const { return m_zoom; }
  bool isFitted() const { return m_fitted; }
  /// The whole picture, as large as the view holds it.
  void fit();
  /// Zooms keeping the picture's point under `anchor` (a point of the view) where it is.
  void setZoom(double zoom, QPointF anchor);
  void zoomStep(bool in, QPointF anchor);
  QPointF centre() const { return QRectF(rect()).center(); }

  /// Where a point of the picture (in its pixels, from its top-left corner) is in the view.
  QPointF viewPoint(QPointF picturePoint) const;
  /// The pixel of the picture under a point of the view, if any.
  std::optional<QPoint> pixelAt(QPointF viewPoint) const;

signals:
  /// The zoom or the part shown changed.
  void viewChanged();
  /// The pointer is over this pixel of the picture, or over none.
  void hovered(std::optional<QPoint> pixel);

protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;

private:
  /// View pixels per picture pixel.
  double scale() const;
  double fitZoom() const;
  QSizeF shownSize() const;
  /// Keeps the picture over the whole view where it is larger, centred where it is smaller, on
  /// whole screen pixels.
  void placeWithinLimits();
  void drawPicture(QPainter &painter, const QImage &image, bool smooth) const;

  std::shared_ptr<const ShownPicture> m_picture;
  QImage m_overlay;
  double m_overlayOpacity = 0;
  double m_zoom = 1;
  bool m_fitted = true;
  QPointF m_origin; ///< where the picture's top-left corner is in the view
  std::optional<QPointF> m_dragFrom;
  int m_wheelTurn = 0; ///< eighths of a degree not yet turned into steps
};

} // namespace lumicomb::ui
