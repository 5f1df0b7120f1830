#pragma once
// A preview box: shows a picture at its own pixel size from the top-left corner, never scaled.
#include <FreeImage.h>

#include <QImage>
#include <QWidget>

namespace lumicomb::ui {

/// A copy of a 24-bit bitmap, upright (the library keeps its rows bottom-up).
QImage toImage(const FIBITMAP *bitmap);

class PictureBox : public QWidget {
  Q_OBJECT
public:
  explicit PictureBox(QWidget *parent = nullptr);

  /// Clears the box, sizes it to width x height and draws the bitmap into it one to one; a
  /// bitmap of another size is drawn at its own size from the top-left corner.
  void showBitmap(const FIBITMAP *bitmap, int width, int height);
  const QImage &picture() const { return m_picture; }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  QImage m_picture;
};

} // namespace lumicomb::ui
