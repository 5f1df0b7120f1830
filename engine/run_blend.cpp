#include "engine/run_blend.h"

#include "blend/blend_option.h"
#include "blend/sweep_pass.h"
#include "engine/errors.h"

namespace lumicomb {
namespace {

/// Shows the progress indicator for the run's lifetime, and hides it however the run ends.
class ProgressShown {
public:
  ProgressShown(WindowOperations &window, bool visible, int64_t maximum) : m_window(window) {
    m_window.setProgressVisible(visible);
    m_window.setProgressMaximum(static_cast<double>(maximum));
  }
  ~ProgressShown() { m_window.setProgressVisible(false); }

private:
  WindowOperations &m_window;
};

struct ResultSize {
  int64_t width;
  int64_t height;
};

ResultSize firstSourceSize(ImageSet &set, const RunMode &mode, const PreviewBox &box) {
  ImageEntry &first = set.entry(1);
  if (mode.usesPreviews()) {
    if (!first.PreviewBitmap)
      makePreview(set, 1, box);
    return {widthOf(first.PreviewBitmap.get()), heightOf(first.PreviewBitmap.get())};
  }
  LoadImageHeader(set, 1);
  return {first.PixelWidth, first.PixelHeight};
}

} // namespace

void RunBlend(ImageSet &set, const RunMode &mode, WindowOperations &window, const PreviewBox &box) {
  if (set.sourceCount() == 0)
    throw LumicombError(ErrorKind::NoSources, "there are no images to blend");
  const std::unique_ptr<SweepRule> rule = makeBlendRule(window.selectedBlendOption(), window);

  const ResultSize size = firstSourceSize(set, mode, box);
  Bitmap result = allocateRgb24(size.width, size.height);
  {
    ProgressShown progress(window, mode.showsProgress(), size.height);
    runSweepPass({set, mode, box, window, size.width, size.height, result.get()}, *rule);
  }
  set.entry(0).FullBitmap = std::move(result);
  if (mode.usesPreviews()) {
    set.ThumbWidth = size.width;
    set.ThumbHeight = size.height;
    window.drawResult(set.entry(0).FullBitmap.get());
  }
}

} // namespace lumicomb
