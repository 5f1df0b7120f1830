#pragma once
// Closing the gaps that star trails leave between consecutive frames: ordered work beside the
// rule, which only sees the bridges as more rows of the earlier frame.
#include "imaging/bitmap.h"
#include "passes/sky_motion.h"
#include "rules/rule_registry.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace lumicomb {

/// How gaps are closed: the bridge's length in pixels, or nothing to measure it on the frames.
struct GapFilling {
  std::optional<double> bridgePixels;
};

/// Takes row y of the bridges drawn after source `image` (samples of the run's depth, 0 where
/// there is no bridge); called for the rows that hold a bridge only, one call at a time.
using BridgeRows = std::function<void(int image, int64_t y, const uint8_t *samples)>;

/// Every pair of consecutive frames k, k+1 gets a bridge: each star pixel of frame k drawn on
/// along the sky's move and each of frame k+1 drawn back against it, as far as the bridge size;
/// where both reach, the dimmer of the two is the bridge. So a bridge lies on a star's own path
/// between where it was in frame k and in frame k+1: it never brightens the sky, thickens a
/// trail, smears what stands still (a still light meets itself only), or joins stars that are
/// not one. The bridge size is how far the sky moved between the frames, unless given.
/// Whether the rule takes bridges: "Brightest" and "Comet trails", which keep the largest value.
bool closesGaps(const RuleDescription &rule);
/// What is said when gaps are to be closed with any other rule.
std::string gapRulesRefusal();

class GapBridging {
public:
  GapBridging(int frames, int64_t width, int64_t height, SampleDepth depth,
              std::optional<double> bridgePixels, BridgeRows rows);

  /// What the bridging holds at most: two planes of the picture's size, and the star pixels
  /// (at most an eighth of a frame's) of the frames that wait for a neighbour, of which there are
  /// at most a few more than the threads decoding.
  static uint64_t heldBytes(int64_t width, int64_t height, SampleDepth depth, int threads);

  /// Frame i (1-based) is in, in any order and from any thread: its star pixels are kept until
  /// both its neighbours have come, and every pair it completes is bridged now, once the sky's
  /// move is known: it is measured on the lowest pair that allows it (of the first few), so
  /// that the bridges never depend on the order the frames came in.
  void frameLoaded(int i, const FIBITMAP *frame);

  /// Said when no pair let the sky's move be measured, so that no gap could be closed.
  std::optional<std::string> unmeasured() const;

private:
  struct Frame {
    StarPixels stars;
    int pairsLeft = 0;
  };
  void bridgeReadyPairs();
  void drawPair(int earlier, const StarPixels &from, const StarPixels &to);
  template <typename Sample>
  void drawBridge(int earlier, const StarPixels &from, const StarPixels &to,
                  const SkyMotion &motion);

  int m_frames;
  int64_t m_width;
  int64_t m_height;
  SampleDepth m_depth;
  std::optional<double> m_bridgePixels;
  BridgeRows m_rows;

  std::mutex m_framesMutex;
  std::map<int, Frame> m_waiting;
  std::set<int> m_ready;    ///< pairs whose frames have both come, by their earlier frame
  std::mutex m_bridgeMutex; ///< one pair at a time: the planes are shared
  std::optional<SkyMotion> m_motion;
  int m_measuredPair = 1; ///< the pair the move is measured on next
  bool m_gaveUp = false;
  std::vector<uint16_t> m_forward;  ///< star pixels drawn on, then the bridge
  std::vector<uint16_t> m_backward; ///< star pixels drawn back
};

} // namespace lumicomb
