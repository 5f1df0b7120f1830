#pragma once
// A preview box: shows a picture fitted into the box and centred. A picture of the box's own size
// is drawn one to one; any other is scaled smoothly, at the screen's pixel density.
#include <FreeImage.h>

#include <QImage>
#include <QWidget>

namespace lumicomb::ui {

/// An upright 8-bit copy of a 24-bit or 48-bit RGB bitmap (the library keeps its rows bottom-up),
/// each 16-bit sample as its 8-bit equivalent.
QImage toImage(const FIBITMAP *bitmap);

/// The largest size of the picture's shape that fits in `box` (at least one pixel a side).
QSize fittedSize(QSize picture, QSize box);

class PictureBox : public QWidget {
  Q_OBJECT
public:
  explicit PictureBox(QWidget *parent = nullptr);

  void setPicture(QImage picture);
  const QImage &picture() const { return m_picture; }
  /// Where the picture is drawn: fitted into the box and centred.
  QRect pictureRect() const;

signals:
  void doubleClicked();

protected:
  void paintEvent(QPaintEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
  QImage m_picture;
  QImage m_scaled; ///< the picture at the device size it was last drawn at
};

} // namespace lumicomb::ui
