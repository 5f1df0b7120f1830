#pragma once
// The map of a sweep rule that keeps one image's value at every sample: the number of the image
// whose green sample each pixel kept. The image that beats the kept value takes the pixel, and of
// two that tie the lower number, so the map does not depend on the order images come in either.
#include "base/large_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace lumicomb {

class WinnerMap {
public:
  void begin(int64_t width, int64_t height) {
    m_width = width;
    const auto pixels = static_cast<size_t>(width * height);
    m_winners = LargePlane<uint16_t>(pixels);
    // Above any image's number, so that the first image to reach a pixel always takes it.
    std::fill_n(m_winners.data(), pixels, UINT16_MAX);
  }

  static uint64_t bytes(int64_t width, int64_t height) {
    return sizeof(uint16_t) * static_cast<uint64_t>(width * height);
  }

  /// Image `image` comes to row y, before the rule keeps anything of it: `kept` is the row as the
  /// rule holds it, three samples a pixel, and candidate(p) the green value the image offers at
  /// pixel p, which beats(a, b) compares with the kept one. Green is the middle sample of a pixel
  /// at either depth.
  template <typename Sample, typename Candidate, typename Beats>
  void note(int image, int64_t y, const Sample *__restrict kept, Candidate candidate, Beats beats) {
    const int64_t width = m_width;
    const auto number = static_cast<uint16_t>(image);
    uint16_t *__restrict winners = m_winners.data() + y * width;
    for (int64_t p = 0; p < width; ++p) {
      const Sample green = candidate(p), best = kept[3 * p + 1];
      const bool takes = beats(green, best) || (green == best && number < winners[p]);
      winners[p] = takes ? number : winners[p];
    }
  }

  void reduce(int64_t y, uint16_t *out) const {
    std::memcpy(out, m_winners.data() + y * m_width, static_cast<size_t>(m_width) * 2);
  }

private:
  int64_t m_width = 0;
  LargePlane<uint16_t> m_winners;
};

} // namespace lumicomb
