#include "engine/run_blend.h"

#include "blend/blend_option.h"
#include "blend/sweep_pass.h"
#include "engine/errors.h"

namespace lumicomb {
namespace {

/// Shows the progress indicator for the run's lifetime, and hides it however the run ends.
class ProgressShown {
public:
  ProgressShown(WindowOperations &window, bool visible) : m_window(window) {
    m_window.setProgressVisible(visible);
  }
  ~ProgressShown() { m_window.setProgressVisible(false); }

private:
  WindowOperations &m_window;
};

} // namespace

void RunBlend(ImageSet &set, const RunMode &mode, WindowOperations &window, const PreviewBox &box) {
  if (set.sourceCount() == 0)
    throw LumicombError(ErrorKind::NoSources, "there are no images to blend");
  const std::unique_ptr<SweepRule> rule = makeBlendRule(window.selectedBlendOption(), window);

  Bitmap result;
  {
    ProgressShown progress(window, mode.showsProgress());
    result = runSweepPass({set, mode, box, window}, *rule);
  }
  ImageEntry &slot = set.entry(0);
  slot.FullBitmap = std::move(result);
  if (mode.usesPreviews()) {
    set.ThumbWidth = widthOf(slot.FullBitmap.get());
    set.ThumbHeight = heightOf(slot.FullBitmap.get());
    window.drawResult(slot.FullBitmap.get());
  }
}

} // namespace lumicomb
