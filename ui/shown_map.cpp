#include "ui/shown_map.h"

#include "ui/picture_box.h"

namespace lumicomb::ui {

ShownMap::ShownMap(std::shared_ptr<const ResultMap> map)
    : m_map(std::move(map)), m_key(mapKey(*m_map)),
      m_picture(toImage(falseColour(*m_map, m_key).get())) {}

QString ShownMap::valueAt(QPoint pixel) const {
  const FIBITMAP *values = m_map->picture.get();
  const auto *row = reinterpret_cast<const uint16_t *>(
      scanLine(values, heightOf(values) - 1 - static_cast<int64_t>(pixel.y())));
  return QStringLiteral("%1 %2").arg(QString::fromStdString(m_key.title)).arg(row[pixel.x()]);
}

} // namespace lumicomb::ui
