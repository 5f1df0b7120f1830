#include "ui/picture_column.h"

#include "ui/blend_runner.h"
#include "ui/control_names.h"
#include "ui/picture_box.h"
#include "ui/placed_widgets.h"
#include "ui/run_progress_bar.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace lumicomb::ui {
namespace {

namespace name = names::imageWindow;

/// The source box's first place: its left edge and top are the column's, and its top the margin.
constexpr QRect kFirstSourcePlace{344, 8, 353, 257};
/// The margin the frames keep on the left, which the column keeps on the right.
constexpr int kRightMargin = 8;
/// The "Cancel" button beside the progress bar, and the gap between the two.
constexpr QSize kCancelSize{75, 25};
constexpr int kCancelGap = 8;
/// Between the progress row and the row below it.
constexpr int kRowGap = 4;

QString sentence(QString text) {
  if (!text.isEmpty())
    text[0] = text[0].toUpper();
  return text;
}

} // namespace

ColumnPlaces ColumnLayout::placesFor(QSize picture, QSize window, QSize laidOut) const {
  // The room one box may take, never less than the picture.
  QSize room = picture;
  if (window.width() > laidOut.width())
    room.setWidth(std::max(picture.width(), window.width() - m_left - m_margin));
  if (window.height() > laidOut.height())
    room.setHeight(std::max(picture.height(), (window.height() - m_below - 3 * m_margin) / 2));
  const QSize box = fittedSize(picture, room);
  ColumnPlaces places;
  places.source = {QPoint(m_left, m_margin), box};
  places.result = {QPoint(m_left, 2 * m_margin + box.height()), box};
  places.rowTop = 3 * m_margin + 2 * box.height();
  return places;
}

QSize ColumnLayout::neededFor(QSize picture) const {
  return {m_left + picture.width() + m_margin, 3 * m_margin + 2 * picture.height() + m_below};
}

PictureColumn::PictureColumn(QWidget *window)
    : m_window(window), m_pictureSize(kFirstSourcePlace.size()), m_laidOut(window->size()) {
  m_source = placed(new PictureBox(window), name::kSourcePicture, kFirstSourcePlace);
  m_result = placed(new PictureBox(window), name::kResultPicture, {344, 272, 353, 257});
  // The run shows and hides the bar itself, through its observer.
  m_progressBar = placed(new RunProgressBar(window), name::kProgressBar, {344, 536, 353, 17});
  m_progressBar->hide();
  m_cancel = placed(new QPushButton(QCoreApplication::translate("ImageWindow", "Cancel"), window),
                    name::kCancel, {});
  m_cancel->setShortcut(Qt::Key_Escape);
  // Shares the progress row, which is free once a run is over.
  m_alignment = placed(new QLabel(window), name::kAlignment, {344, 536, 353, 17});
  m_alignment->hide();
  placeProgressRow(m_progressBar->y(), m_progressBar->width());
}

ColumnLayout PictureColumn::layout() const {
  // The window keeps a line of text and twice the bar's height under the progress row's top, or
  // the row below it and a margin.
  int below = m_window->fontMetrics().height() + 2 * m_progressBar->height();
  if (m_rowBelow)
    below = std::max(below, m_progressBar->height() + kRowGap + m_rowBelow->sizeHint().height() +
                                kFirstSourcePlace.top());
  return {kFirstSourcePlace.left(), kFirstSourcePlace.top(), below};
}

void PictureColumn::setRowBelow(QWidget *row) {
  m_rowBelow = row;
  placeProgressRow(m_progressBar->y(), m_source->width());
}

void PictureColumn::showSource(const QImage &preview) {
  m_pictureSize = preview.size();
  m_source->setPicture(preview);
}

void PictureColumn::showResult(const QImage &picture) { m_result->setPicture(picture); }

void PictureColumn::layOut() {
  const ColumnPlaces places = layout().placesFor(m_pictureSize, m_window->size(), m_laidOut);
  m_source->setGeometry(places.source);
  m_result->setGeometry(places.result);
  placeProgressRow(places.rowTop, places.source.width());
}

QSize PictureColumn::neededWindowSize() const { return layout().neededFor(m_pictureSize); }

/// The progress bar and the "Cancel" button beside it share one row of the column's width.
void PictureColumn::placeProgressRow(int top, int width) {
  const int cancelWidth = std::max(kCancelSize.width(), m_cancel->sizeHint().width());
  const int barWidth = width - kCancelGap - cancelWidth;
  const int left = m_source->x();
  m_progressBar->setGeometry(left, top, barWidth, m_progressBar->height());
  m_cancel->setGeometry(left + barWidth + kCancelGap,
                        top + (m_progressBar->height() - kCancelSize.height()) / 2, cancelWidth,
                        kCancelSize.height());
  m_alignment->setGeometry(left, top, width, m_alignment->height());
  if (m_rowBelow)
    m_rowBelow->setGeometry(left, top + m_progressBar->height() + kRowGap, width,
                            m_rowBelow->sizeHint().height());
}

void PictureColumn::showAlignment(const std::shared_ptr<const AlignmentPlan> &alignment) {
  m_alignment->setText(alignment ? sentence(QString::fromStdString(alignment->summary()))
                                 : QString());
  m_alignment->setVisible(alignment != nullptr);
}

void PictureColumn::followRun(BlendRunner &runner) {
  QObject::connect(&runner, &BlendRunner::progressVisibleChanged, m_window, [this](bool visible) {
    m_progressBar->setVisible(visible);
    if (visible)
      m_alignment->hide();
  });
  m_progressBar->follow(runner);
  QObject::connect(m_cancel, &QPushButton::clicked, &runner, &BlendRunner::requestCancel);
}

} // namespace lumicomb::ui
