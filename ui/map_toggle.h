#pragma once
// "Show map" under the result box: after a run that made a map, ticking it swaps the result box's
// picture for the map in false colour, with the map's key beside the box; clearing it brings the
// result back. Without a map it is unavailable.
#include "passes/result_map.h"

#include <QImage>
#include <QWidget>

class QCheckBox;

namespace lumicomb::ui {

class MapKeyView;
class PictureColumn;

class MapToggle : public QWidget {
  Q_OBJECT
public:
  /// Takes its place in the column, under the progress row.
  MapToggle(PictureColumn &column, QWidget *window);

  /// What the result box shows after a run, and the run's map (empty: none); the box shows the
  /// map at once if "Show map" is ticked.
  void showRun(const QImage &result, const ResultMap &map);

  bool showsMap() const;

private:
  void showChosen();

  PictureColumn &m_column;
  QCheckBox *m_box;
  MapKeyView *m_key;
  QImage m_result, m_map;
};

} // namespace lumicomb::ui
