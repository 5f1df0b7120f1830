#pragma once
// A picture as the viewer shows it: its samples at the depth they were made at, for the values
// under the cursor, and an upright copy for the screen with halved copies for drawing it smaller.
#include <FreeImage.h>

#include <QImage>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

namespace lumicomb::ui {

class ShownPicture {
public:
  /// Shows the part `crop` (from the top-left corner; empty: all) of a 24-bit or 48-bit RGB
  /// bitmap, which it shares.
  explicit ShownPicture(std::shared_ptr<const FIBITMAP> samples, QRect crop = {});

  QSize size() const { return m_crop.size(); }
  /// 8 or 16: the bits of each sample.
  int bits() const;
  /// "R 12 G 200 B 7": the samples of the pixel (x, y) from the top-left corner, at their depth.
  QString samplesAt(QPoint pixel) const;
  /// The copy for the screen halved `level` times (0: the picture itself).
  const QImage &level(int level) const { return m_levels[static_cast<size_t>(level)]; }
  int levels() const { return static_cast<int>(m_levels.size()); }

private:
  QImage screenCopy() const;

  std::shared_ptr<const FIBITMAP> m_samples;
  QRect m_crop;
  std::vector<QImage> m_levels;
};

} // namespace lumicomb::ui
