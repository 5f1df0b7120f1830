#include "passes/sequence_pass.h"

#include "base/errors.h"
#include "imaging/sample_rows.h"
#include "passes/gap_bridging.h"
#include "passes/ordered_gathering.h"
#include "passes/stage_progress.h"

#include <optional>

namespace lumicomb {
namespace {

class SequencePass {
public:
  SequencePass(const PassContext &context, RunningRule &steps, RunningRule *whole, StepSink &sink,
               bool windowed)
      : m_context(context), m_steps(steps), m_whole(whole), m_sink(sink), m_windowed(windowed),
        m_sources(context.set.sourceCount()), m_progress(context.observer, "blending", m_sources),
        m_release(context.set) {}

  Bitmap run() {
    // Each step is made while the sink may still hold its full share of earlier ones.
    const DecodingPlan plan = planDecoding(
        m_context,
        [&](PictureSize result) {
          const uint64_t picture = m_context.pictureBytes(result.width, result.height);
          return picture * static_cast<uint64_t>(1 + m_sink.picturesHeld()) +
                 m_steps.workingBytes(result.width, result.height) +
                 (m_whole ? m_whole->workingBytes(result.width, result.height) : 0) +
                 (m_context.gapFilling ? GapBridging::heldBytes(result.width, result.height,
                                                                m_context.depth, m_context.threads)
                                       : 0);
        },
        static_cast<size_t>(m_context.threads));
    prepareDecodingMemory(plan, m_context.pictureBytes(plan.result.width, plan.result.height));
    m_size = plan.result;
    m_steps.begin(m_size.width, m_size.height);
    if (m_whole)
      m_whole->begin(m_size.width, m_size.height);
    if (m_context.gapFilling)
      m_gaps.emplace(m_sources, m_size.width, m_size.height, m_context.depth,
                     m_context.gapFilling->bridgePixels,
                     [this](int image, int64_t y, const uint8_t *samples) {
                       m_steps.add(m_windowed ? m_folding : image, y, samples);
                       if (m_whole)
                         m_whole->add(image, y, samples);
                     });
    gatherSourcesInOrder(m_context, plan, [&](int i, const FIBITMAP *source) { fold(i, source); });
    if (m_gaps && m_context.warnings)
      if (const std::optional<std::string> note = m_gaps->unmeasured())
        m_context.warnings->add(*note);
    return blendOf(m_whole ? *m_whole : m_steps);
  }

private:
  void fold(int i, const FIBITMAP *source) {
    m_folding = i;
    m_steps.beginImage(i);
    if (m_whole)
      m_whole->beginImage(i);
    std::vector<uint16_t> widened;
    for (int64_t y = 0; y < m_size.height; ++y) {
      m_progress.yield();
      const uint8_t *samples = rowAtDepth(source, y, m_context.depth, widened);
      m_steps.add(i, y, samples);
      if (m_whole)
        m_whole->add(i, y, samples);
    }
    if (m_gaps)
      m_gaps->frameLoaded(i, source);
    releaseSource(m_context, i);
    m_sink.takeStep(i, blendOf(m_steps));
    m_progress.frameDone();
  }

  Bitmap blendOf(const RunningRule &rule) const {
    Bitmap picture = allocateRgb(m_size.width, m_size.height, m_context.depth);
    for (int64_t y = 0; y < m_size.height; ++y)
      rule.reduce(y, scanLine(picture.get(), y));
    return picture;
  }

  const PassContext &m_context;
  RunningRule &m_steps;
  RunningRule *m_whole;
  StepSink &m_sink;
  bool m_windowed;
  int m_sources;
  StageProgress m_progress;
  PictureSize m_size{};
  int m_folding = 0; ///< the image being folded, whose step its bridges go with in a window
  std::optional<GapBridging> m_gaps;
  SourceRelease m_release;
};

} // namespace

SequenceRules sequenceRules(const RuleDescription &rule, const RuleParameters &parameters,
                            SampleDepth depth, int window) {
  SequenceRules rules{makeRunningRule(rule, parameters, depth, window), nullptr};
  if (!rules.steps)
    throw LumicombError(ErrorKind::OutOfRange,
                        window > 0 && makeRunningRule(rule, parameters, depth)
                            ? windowRulesRefusal()
                            : runningRulesRefusal());
  if (window > 0)
    rules.whole = makeRunningRule(rule, parameters, depth);
  return rules;
}

Bitmap runSequencePass(const PassContext &context, RunningRule &steps, RunningRule *whole,
                       StepSink &sink, bool windowed) {
  return SequencePass(context, steps, whole, sink, windowed).run();
}

} // namespace lumicomb
