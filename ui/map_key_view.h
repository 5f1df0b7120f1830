#pragma once
// A map's key drawn in a line: what the values count, the lowest value, a bar of the colours from
// lowest to highest, and the highest value.
#include "app/map_colours.h"

#include <QWidget>

namespace lumicomb::ui {

class MapKeyView : public QWidget {
  Q_OBJECT
public:
  explicit MapKeyView(QWidget *parent = nullptr);

  void setKey(const MapKey &key);
  const MapKey &key() const { return m_key; }

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  MapKey m_key;
};

} // namespace lumicomb::ui
