#pragma once
// A small random generator of the demo scenes' own, so that a seed draws the same scene with any
// standard library.
#include <cmath>
#include <cstdint>

namespace lumicomb {

class SceneRandom {
public:
  explicit SceneRandom(uint64_t seed) : m_state(seed) {}
  uint64_t next() {
    uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double uniform(double low, double high) {
    return low + (high - low) * static_cast<double>(next() >> 11) * 0x1.0p-53;
  }
  double gaussian() {
    const double radius = std::sqrt(-2 * std::log(1 - uniform(0, 1)));
    return radius * std::cos(2 * M_PI * uniform(0, 1));
  }

private:
  uint64_t m_state;
};

} // namespace lumicomb
