#include "engine/run_blend.h"

#include "blend/band_pass.h"
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

void drawPreviewResult(ImageSet &set, WindowOperations &window) {
  const FIBITMAP *result = set.entry(0).FullBitmap.get();
  set.ThumbWidth = widthOf(result);
  set.ThumbHeight = heightOf(result);
  window.drawResult(result);
}

/// After a refusal the preview box shows what the result starts as: image 1's preview.
void showFirstPreview(ImageSet &set, WindowOperations &window, const PreviewBox &box,
                      uint64_t memoryBudget) {
  if (!set.entry(1).PreviewBitmap)
    LoadPreviewImage(set, 1, box, {memoryBudget, 0, {}});
  Bitmap copy(FreeImage_Clone(set.entry(1).PreviewBitmap.get()));
  if (!copy)
    throw std::bad_alloc();
  set.entry(0).FullBitmap = std::move(copy);
  drawPreviewResult(set, window);
}

} // namespace

RunOutcome RunBlend(ImageSet &set, const RunMode &mode, WindowOperations &window,
                    const PreviewBox &box, uint64_t memoryBudget) {
  if (set.sourceCount() == 0)
    throw LumicombError(ErrorKind::NoSources, "there are no images to blend");
  const int option = window.selectedBlendOption();
  if (const std::optional<std::string> refusal = sourceCountRefusal(option, set.sourceCount())) {
    window.showMessage(*refusal);
    if (mode.usesPreviews())
      showFirstPreview(set, window, box, memoryBudget);
    return RunOutcome::Refused;
  }
  const BlendRule rule = makeBlendRule(option, window);

  Bitmap result;
  {
    ProgressShown progress(window, mode.showsProgress());
    const PassContext context{set, mode, box, window, memoryBudget};
    result = rule.sweep ? runSweepPass(context, *rule.sweep) : runBandPass(context, *rule.band);
  }
  set.entry(0).FullBitmap = std::move(result);
  if (mode.usesPreviews())
    drawPreviewResult(set, window);
  return RunOutcome::Blended;
}

} // namespace lumicomb
