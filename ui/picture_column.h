#pragma once
// The image window's right-hand column: the selected source's box, the result's box one margin
// below it, and under them the row where the progress bar and "Cancel" stand during a run and the
// alignment report after it. At the window's first size the boxes take the source preview's size;
// when the window grows beyond that, they grow with it and draw their pictures to fit.
#include "passes/alignment_plan.h"

#include <QImage>
#include <QSize>

#include <memory>

class QLabel;
class QPushButton;
class QWidget;

namespace lumicomb::ui {

class BlendRunner;
class PictureBox;
class RunProgressBar;

/// Where the column's parts stand for a given window size.
struct ColumnPlaces {
  QRect source;
  QRect result;
  int rowTop = 0; ///< the progress row's
};

/// The column's layout: boxes of the picture's own size while the window is no larger than the
/// program made it; where the user made it larger, boxes of the picture's shape grown to share
/// the room it gives.
class ColumnLayout {
public:
  /// `left` and `margin` are the column's left edge and the margin kept around it; `below` is what
  /// the window keeps under the progress row's top.
  ColumnLayout(int left, int margin, int below) : m_left(left), m_margin(margin), m_below(below) {}

  /// `laidOut` is the size the program last gave the window.
  ColumnPlaces placesFor(QSize picture, QSize window, QSize laidOut) const;
  /// The smallest window that shows the whole column with boxes of the picture's size.
  QSize neededFor(QSize picture) const;

private:
  int m_left;
  int m_margin;
  int m_below;
};

class PictureColumn {
public:
  /// Makes the column's controls as children of the window.
  explicit PictureColumn(QWidget *window);

  PictureBox *sourceBox() const { return m_source; }
  PictureBox *resultBox() const { return m_result; }
  QPushButton *cancelButton() const { return m_cancel; }

  /// Shows a source's preview; its size becomes the boxes' size at the window's first size.
  void showSource(const QImage &preview);
  void showResult(const QImage &picture);
  /// Says under the result where an aligned run cut it; nothing after an unaligned one.
  void showAlignment(const std::shared_ptr<const AlignmentPlan> &alignment);
  /// Shows the run's progress in the bar.
  void followRun(BlendRunner &runner);
  /// Puts `row` (a line of controls about the result, such as "Show map") under the progress
  /// row, the column's width, and keeps room for it.
  void setRowBelow(QWidget *row);

  /// Puts the parts in place for the window's size.
  void layOut();
  /// The program has given the window this size: up to it, the boxes keep the preview's size.
  void setLaidOutWindowSize(QSize size) { m_laidOut = size; }
  QSize laidOutWindowSize() const { return m_laidOut; }
  /// The smallest window that shows the whole column at the preview's size.
  QSize neededWindowSize() const;

private:
  ColumnLayout layout() const;
  void placeProgressRow(int top, int width);

  QWidget *m_window;
  QSize m_pictureSize;
  QSize m_laidOut;
  PictureBox *m_source = nullptr;
  PictureBox *m_result = nullptr;
  RunProgressBar *m_progressBar = nullptr;
  QPushButton *m_cancel = nullptr;
  QLabel *m_alignment = nullptr;
  QWidget *m_rowBelow = nullptr;
};

} // namespace lumicomb::ui
