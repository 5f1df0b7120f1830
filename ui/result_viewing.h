#pragma once
// What the image window shows of its blends besides the result box: the full-size result kept
// after "Blend at full size", for the viewer and for the saves that follow it, and the viewer,
// which shows that result, or the latest preview when none is kept.
#include "app/kept_result.h"
#include "ui/viewer_window.h"

#include <QObject>
#include <QPointer>

namespace lumicomb::ui {

class BlendRunner;
class WindowPlaces;

/// A kept full-size result with its copy for the screen, both made on the run's thread.
struct FullSizeView {
  KeptBlend blend;
  std::shared_ptr<const ShownPicture> shown;
};

/// Blends at full size to keep the result (see blendToKeep), and makes its copy for the screen.
FullSizeView blendFullSizeToView(ImageSet &set, const BlendRequest &request, RunObserver &observer);

class ResultViewing : public QObject {
  Q_OBJECT
public:
  ResultViewing(ImageSet &set, WindowPlaces &places, BlendRunner &runner, QWidget *window);

  std::shared_ptr<const KeptResult> kept() const { return m_kept; }
  /// Lets go of the kept result unless a full-size blend of the set with `request` would give it.
  void dropUnlessCurrent(const BlendRequest &request);
  /// Lets go of the kept result unless the set is still the one it was made from.
  void dropUnlessCurrent();
  void drop();

  /// A preview run's result, whose picture and map it takes; image 1's preview is compared with it.
  void showPreview(BlendOutcome &outcome);
  void showFullSize(const FullSizeView &view);
  /// The kept result for the result box, no larger than twice `box`: a copy of its own.
  QImage fullSizeBoxPicture(QSize box) const;
  /// The kept result's map (none without one) at `size`, each pixel the value nearest its centre:
  /// the map of the result box's picture.
  ResultMap fullSizeBoxMap(QSize size) const;

  /// Opens the viewer (at 100% when asked), or brings it to the front.
  void openViewer(bool actualPixels);
  /// The viewer, once opened.
  ViewerWindow *viewer() const { return m_viewer; }
  void setRunning(bool running);
  void closeViewer();

signals:
  void fullSizeRequested();

private:
  void showInViewer();

  ImageSet &m_set;
  WindowPlaces &m_places;
  BlendRunner &m_runner;
  QWidget *m_window;
  ViewedResult m_preview;
  ViewedResult m_fullSize;
  std::shared_ptr<const KeptResult> m_kept;
  QPointer<ViewerWindow> m_viewer;
  bool m_running = false;
};

} // namespace lumicomb::ui
