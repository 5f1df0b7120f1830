#pragma once
// A run's map as the viewer shows it over the result: in false colour, with its key, and the value
// under the pointer in words.
#include "app/map_colours.h"

#include <QImage>
#include <QPoint>
#include <QString>

#include <memory>

namespace lumicomb::ui {

class ShownMap {
public:
  /// Shares the map, which must hold a picture.
  explicit ShownMap(std::shared_ptr<const ResultMap> map);

  const MapKey &key() const { return m_key; }
  /// The map in its key's colours, upright, of the result's size.
  const QImage &picture() const { return m_picture; }
  /// "Image 3" or "Rejected samples 2": the value at (x, y) from the top-left corner.
  QString valueAt(QPoint pixel) const;

private:
  std::shared_ptr<const ResultMap> m_map;
  MapKey m_key;
  QImage m_picture;
};

} // namespace lumicomb::ui
