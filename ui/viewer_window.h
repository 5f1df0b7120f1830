#pragma once
// The viewer: a window of its own that shows the latest result at any zoom, with the zoom, the
// pixel under the pointer and its samples at the run's depth in a status line. It compares the
// result with image 1 while B is held (or its toggle is on), shows the run's map over it ("Show
// map", or M), and starts "Blend at full size".
#include "passes/result_map.h"
#include "ui/shown_picture.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace lumicomb::ui {

class BlendRunner;
class MapKeyView;
class PictureView;
class ShownMap;
class RunProgressBar;
class WindowPlaces;

struct ViewedResult {
  std::shared_ptr<const ShownPicture> picture;
  bool fullSize = false;
  /// Image 1 cut as the result is, made when it is first compared; throws when it cannot be.
  std::function<std::shared_ptr<const ShownPicture>()> before;
  /// The run's map, of the result's size; null: the run made none.
  std::shared_ptr<const ResultMap> map;
};

class ViewerWindow : public QWidget {
  Q_OBJECT
public:
  /// Takes its size and place from `places`, and keeps them there when it closes.
  ViewerWindow(WindowPlaces &places, QWidget *parent = nullptr);

  void showResult(ViewedResult result);
  const ViewedResult &result() const { return m_result; }
  /// Shows the runs' progress with "Cancel" beside it.
  void followRun(BlendRunner &runner);
  /// While a run is going, "Blend at full size" waits.
  void setRunning(bool running);

  void fitToWindow();
  void showActualPixels();
  /// Image 1 in the result's place, at the same zoom, while `shown`; the result again after.
  void showBefore(bool shown);
  bool showsBefore() const { return m_showingBefore; }
  /// The map in false colour over the result, with its key, while `shown` and the result has one.
  void showMap(bool shown);
  bool showsMap() const;

signals:
  void fullSizeRequested();

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void keyReleaseEvent(QKeyEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  QWidget *buildTools();
  QWidget *buildStatusRow();
  void addShortcuts();
  void updateBefore();
  void updateMap();
  void updateStatus();

  WindowPlaces &m_places;
  ViewedResult m_result;
  std::shared_ptr<const ShownPicture> m_before;
  QString m_beforeProblem;               ///< why image 1 could not be shown
  std::shared_ptr<const ShownMap> m_map; ///< made when first shown
  QString m_mapProblem;                  ///< why the map could not be shown
  bool m_holdingB = false;
  bool m_showingBefore = false;
  std::optional<QPoint> m_hovered;

  PictureView *m_view = nullptr;
  QCheckBox *m_beforeToggle = nullptr;
  QCheckBox *m_mapToggle = nullptr;
  MapKeyView *m_mapKey = nullptr;
  QPushButton *m_fullSizeButton = nullptr;
  QLabel *m_status = nullptr;
  RunProgressBar *m_progressBar = nullptr;
  QPushButton *m_cancel = nullptr;
};

} // namespace lumicomb::ui
