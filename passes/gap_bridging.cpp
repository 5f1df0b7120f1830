#include "passes/gap_bridging.h"

#include "imaging/sample_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumicomb {
namespace {

/// The most two steps along a bridge are apart, so that its pixels join up.
constexpr double kStep = 0.7;
/// Pairs tried before the sky's move is given up as unmeasurable.
constexpr int kMostTries = 5;

} // namespace

bool closesGaps(const RuleDescription &rule) {
  const std::string name = rule.commandName;
  return name == "brightest" || name == "comet";
}

std::string gapRulesRefusal() {
  return "closing gaps works with \"Brightest\" and \"Comet trails\" only";
}

GapBridging::GapBridging(int frames, int64_t width, int64_t height, SampleDepth depth,
                         std::optional<double> bridgePixels, BridgeRows rows)
    : m_frames(frames), m_width(width), m_height(height), m_depth(depth),
      m_bridgePixels(bridgePixels), m_rows(std::move(rows)) {}

uint64_t GapBridging::heldBytes(int64_t width, int64_t height, SampleDepth depth, int threads) {
  const auto pixels = static_cast<uint64_t>(width * height);
  const uint64_t waiting = static_cast<uint64_t>(std::max(threads, 1) + 2) * (pixels / 8) *
                           (sizeof(uint32_t) + 3 * sizeof(uint16_t));
  return 2 * 3 * pixels * static_cast<uint64_t>(bytesPerSample(depth)) + waiting;
}

void GapBridging::frameLoaded(int i, const FIBITMAP *frame) {
  std::vector<uint16_t> widened;
  StarPixels stars =
      findStarPixels([&](int64_t y) { return rowAtDepth(frame, y, m_depth, widened); }, m_width,
                     m_height, m_depth);
  {
    std::lock_guard lock(m_framesMutex);
    Frame &added = m_waiting[i];
    added.stars = std::move(stars);
    added.pairsLeft = (i > 1 ? 1 : 0) + (i < m_frames ? 1 : 0);
    if (i > 1 && m_waiting.count(i - 1))
      m_ready.insert(i - 1);
    if (i < m_frames && m_waiting.count(i + 1))
      m_ready.insert(i);
    if (added.pairsLeft == 0)
      m_waiting.erase(i);
  }
  bridgeReadyPairs();
}

std::optional<std::string> GapBridging::unmeasured() const {
  if (m_gaveUp)
    return "the gaps between frames were left open: the stars' move from frame to frame could "
           "not be measured";
  return std::nullopt;
}

/// The sky's move is measured on the lowest pair that allows it, whatever order the frames come
/// in, so that every run of the same frames draws the same bridges; pairs complete before then
/// wait for it.
void GapBridging::bridgeReadyPairs() {
  std::lock_guard bridging(m_bridgeMutex);
  for (;;) {
    int earlier = 0;
    const StarPixels *from = nullptr, *to = nullptr;
    {
      std::lock_guard lock(m_framesMutex);
      const bool measuring = !m_motion && !m_gaveUp;
      if (m_ready.empty() || (measuring && !m_ready.count(m_measuredPair)))
        return;
      earlier = measuring ? m_measuredPair : *m_ready.begin();
      // Frames stay while they have a pair left, and map entries do not move, so both frames
      // of a pair can be read without the lock.
      from = &m_waiting.at(earlier).stars;
      to = &m_waiting.at(earlier + 1).stars;
    }
    if (!m_motion && !m_gaveUp) {
      m_motion = measureSkyMotion(*from, *to);
      if (!m_motion) {
        // The pair waits with the rest, in case a later pair lets the move be measured.
        m_gaveUp = ++m_measuredPair >= m_frames || m_measuredPair > kMostTries;
        if (!m_gaveUp)
          continue;
      }
    }
    std::vector<int> done = {earlier};
    if (m_motion && !from->tooMany && !to->tooMany)
      drawPair(earlier, *from, *to);
    std::lock_guard lock(m_framesMutex);
    if (m_gaveUp) // nothing will be bridged: every waiting pair is let go
      done.assign(m_ready.begin(), m_ready.end());
    for (int pair : done) {
      m_ready.erase(pair);
      for (int k : {pair, pair + 1})
        if (--m_waiting.at(k).pairsLeft == 0)
          m_waiting.erase(k);
    }
  }
}

void GapBridging::drawPair(int earlier, const StarPixels &from, const StarPixels &to) {
  if (m_depth == SampleDepth::Sixteen)
    drawBridge<uint16_t>(earlier, from, to, *m_motion);
  else
    drawBridge<uint8_t>(earlier, from, to, *m_motion);
}

template <typename Sample>
void GapBridging::drawBridge(int earlier, const StarPixels &from, const StarPixels &to,
                             const SkyMotion &motion) {
  const size_t planeSamples = static_cast<size_t>(3 * m_width * m_height);
  if (m_forward.empty()) {
    // Planes of Sample, in vectors of 16-bit words: enough room at either depth.
    m_forward.assign((planeSamples * sizeof(Sample) + 1) / 2, 0);
    m_backward.assign(m_forward.size(), 0);
  }
  Sample *forward = reinterpret_cast<Sample *>(m_forward.data());
  Sample *backward = reinterpret_cast<Sample *>(m_backward.data());

  // Draws every star pixel of `stars` into `plane` along (or against) the move, keeping the
  // larger sample, and lists the pixels it is the first to light.
  const auto draw = [&](const StarPixels &stars, double direction, Sample *plane,
                        std::vector<size_t> &lit) {
    const auto width = static_cast<uint32_t>(m_width);
    const double right = static_cast<double>(m_width) - 0.5;
    const double top = static_cast<double>(m_height) - 0.5;
    for (size_t k = 0; k < stars.places.size(); ++k) {
      double x = static_cast<double>(stars.places[k] % width);
      double y = static_cast<double>(stars.places[k] / width);
      const double dx = motion.dx(x, y), dy = motion.dy(x, y);
      const double length = std::hypot(dx, dy);
      const double reach = length < 0.5 ? 0 : m_bridgePixels.value_or(length);
      const auto steps = static_cast<int64_t>(std::ceil(reach / kStep));
      const double stepX = steps ? direction * reach / static_cast<double>(steps) * dx / length : 0;
      const double stepY = steps ? direction * reach / static_cast<double>(steps) * dy / length : 0;
      const uint16_t *samples = &stars.samples[3 * k];
      size_t previous = SIZE_MAX;
      for (int64_t s = 0; s <= steps; ++s, x += stepX, y += stepY) {
        if (x < -0.5 || y < -0.5 || x >= right || y >= top)
          break; // a straight line does not come back
        const size_t at = 3 * (static_cast<size_t>(y + 0.5) * static_cast<size_t>(m_width) +
                               static_cast<size_t>(x + 0.5));
        if (at == previous)
          continue;
        previous = at;
        Sample *pixel = plane + at;
        if ((pixel[0] | pixel[1] | pixel[2]) == 0)
          lit.push_back(at);
        for (size_t c = 0; c < 3; ++c)
          pixel[c] = std::max(pixel[c], static_cast<Sample>(samples[c]));
      }
    }
  };
  std::vector<size_t> litForward, litBackward;
  draw(from, 1, forward, litForward);
  draw(to, -1, backward, litBackward);

  // Where both reach, the dimmer of the two is the bridge; the rest of the forward plane goes.
  std::vector<bool> bridged(static_cast<size_t>(m_height), false);
  for (const size_t at : litForward) {
    Sample *f = forward + at;
    const Sample *b = backward + at;
    const bool both = (b[0] | b[1] | b[2]) != 0;
    for (size_t c = 0; c < 3; ++c)
      f[c] = both ? std::min(f[c], b[c]) : Sample{0};
    if ((f[0] | f[1] | f[2]) != 0)
      bridged[at / static_cast<size_t>(3 * m_width)] = true;
  }
  for (const size_t at : litBackward)
    std::fill_n(backward + at, 3, Sample{0});

  const auto rowSamples = static_cast<size_t>(3 * m_width);
  for (int64_t y = 0; y < m_height; ++y) {
    if (!bridged[static_cast<size_t>(y)])
      continue;
    Sample *row = forward + static_cast<size_t>(y) * rowSamples;
    m_rows(earlier, y, reinterpret_cast<const uint8_t *>(row));
    std::fill_n(row, rowSamples, Sample{0});
  }
}

} // namespace lumicomb
