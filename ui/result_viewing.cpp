#include "ui/result_viewing.h"

#include "imaging/bitmap.h"
#include "imaging/image_decoding.h"
#include "ui/blend_runner.h"
#include "ui/window_places.h"

namespace lumicomb::ui {
namespace {

QRect cropOf(const std::shared_ptr<const AlignmentPlan> &alignment) {
  if (!alignment)
    return {};
  const PixelRectangle crop = alignment->cropFromTop();
  return QRect(static_cast<int>(crop.x), static_cast<int>(crop.y), static_cast<int>(crop.width),
               static_cast<int>(crop.height));
}

std::shared_ptr<FIBITMAP> copyOf(const FIBITMAP *bitmap) {
  std::shared_ptr<FIBITMAP> copy(FreeImage_Clone(const_cast<FIBITMAP *>(bitmap)), BitmapUnloader());
  if (!copy)
    throw std::bad_alloc();
  return copy;
}

} // namespace

FullSizeView blendFullSizeToView(ImageSet &set, const BlendRequest &request,
                                 RunObserver &observer) {
  FullSizeView view{blendToKeep(set, request, observer), nullptr};
  if (view.blend.result)
    view.shown = std::make_shared<const ShownPicture>(view.blend.result->picture);
  return view;
}

ResultViewing::ResultViewing(ImageSet &set, WindowPlaces &places, BlendRunner &runner,
                             QWidget *window)
    : m_set(set), m_places(places), m_runner(runner), m_window(window) {}

void ResultViewing::dropUnlessCurrent(const BlendRequest &request) {
  if (m_kept && !m_kept->isCurrentFor(m_set, request))
    drop();
}

void ResultViewing::dropUnlessCurrent() {
  if (m_kept)
    dropUnlessCurrent(m_kept->inputs.request);
}

void ResultViewing::drop() {
  m_kept.reset();
  m_fullSize = {};
  showInViewer();
}

void ResultViewing::showPreview(BlendOutcome &outcome) {
  if (!outcome.picture)
    return;
  m_preview.picture =
      std::make_shared<const ShownPicture>(std::shared_ptr<FIBITMAP>(std::move(outcome.picture)));
  m_preview.fullSize = false;
  m_preview.before = nullptr;
  m_preview.map =
      outcome.map.picture ? std::make_shared<const ResultMap>(std::move(outcome.map)) : nullptr;
  if (m_set.sourceCount() > 0 && m_set.entry(1).preview) {
    // Image 1's preview, cut as the result was, taken now: previews may be remade before it is
    // compared.
    auto first = std::make_shared<const ShownPicture>(copyOf(m_set.entry(1).preview.get()),
                                                      cropOf(outcome.alignment));
    m_preview.before = [first] { return first; };
  }
  // A preview of the kept result's own blend adds nothing to it.
  if (!m_kept)
    showInViewer();
}

void ResultViewing::showFullSize(const FullSizeView &view) {
  m_kept = view.blend.result;
  m_fullSize.picture = view.shown;
  m_fullSize.fullSize = true;
  // The map lives as long as the kept result it belongs to.
  m_fullSize.map =
      m_kept->map.picture ? std::shared_ptr<const ResultMap>(m_kept, &m_kept->map) : nullptr;
  const std::string firstPath = m_set.imagePath(1);
  const SampleDepth depth = m_kept->inputs.request.depth;
  const QRect crop = cropOf(m_kept->alignment);
  m_fullSize.before = [firstPath, depth, crop] {
    DecodeOptions options;
    options.depth = depth;
    std::shared_ptr<FIBITMAP> first(decodeImageFile(firstPath, options).rgb.release(),
                                    BitmapUnloader());
    return std::make_shared<const ShownPicture>(std::move(first), crop);
  };
  showInViewer();
}

QImage ResultViewing::fullSizeBoxPicture(QSize box) const {
  if (!m_fullSize.picture)
    return {};
  // Twice the box's size, for screens of twice the pixel density.
  const QSize wanted = 2 * box;
  const ShownPicture &picture = *m_fullSize.picture;
  int level = 0;
  while (level + 1 < picture.levels() && picture.level(level + 1).width() >= wanted.width() &&
         picture.level(level + 1).height() >= wanted.height())
    ++level;
  const QImage &chosen = picture.level(level);
  if (chosen.width() > wanted.width() || chosen.height() > wanted.height())
    return chosen.scaled(wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return chosen.copy();
}

ResultMap ResultViewing::fullSizeBoxMap(QSize size) const {
  if (!m_kept || !m_kept->map.picture || size.isEmpty())
    return {};
  const FIBITMAP *whole = m_kept->map.picture.get();
  const int64_t wholeWidth = widthOf(whole), wholeHeight = heightOf(whole);
  ResultMap map{m_kept->map.kind, allocateGrey16(size.width(), size.height()), m_kept->map.sources};
  for (int64_t y = 0; y < size.height(); ++y) {
    const auto *from = reinterpret_cast<const uint16_t *>(
        scanLine(whole, (2 * y + 1) * wholeHeight / (2 * size.height())));
    auto *to = reinterpret_cast<uint16_t *>(scanLine(map.picture.get(), y));
    for (int64_t x = 0; x < size.width(); ++x)
      to[x] = from[(2 * x + 1) * wholeWidth / (2 * size.width())];
  }
  return map;
}

void ResultViewing::openViewer(bool actualPixels) {
  if (!m_viewer) {
    m_viewer = new ViewerWindow(m_places, m_window);
    m_viewer->followRun(m_runner);
    m_viewer->setRunning(m_running);
    connect(m_viewer, &ViewerWindow::fullSizeRequested, this, &ResultViewing::fullSizeRequested);
    showInViewer();
  }
  m_viewer->show();
  m_viewer->raise();
  m_viewer->activateWindow();
  if (actualPixels)
    m_viewer->showActualPixels();
}

void ResultViewing::setRunning(bool running) {
  m_running = running;
  if (m_viewer)
    m_viewer->setRunning(running);
}

void ResultViewing::closeViewer() {
  if (m_viewer)
    m_viewer->close();
}

void ResultViewing::showInViewer() {
  if (m_viewer)
    m_viewer->showResult(m_kept ? m_fullSize : m_preview);
}

} // namespace lumicomb::ui
