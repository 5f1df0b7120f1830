#include "rules/sorting_network.h"

namespace lumicomb {

std::vector<std::pair<uint16_t, uint16_t>> sortingNetwork(int n) {
  std::vector<std::pair<uint16_t, uint16_t>> steps;
  if (n < 2)
    return steps;
  int t = 0;
  while ((1 << t) < n)
    ++t;
  for (int p = 1 << (t - 1); p > 0; p /= 2) {
    int q = 1 << (t - 1), r = 0, d = p;
    for (;;) {
      for (int i = 0; i < n - d; ++i)
        if ((i & p) == r)
          steps.emplace_back(static_cast<uint16_t>(i), static_cast<uint16_t>(i + d));
      if (q == p)
        break;
      d = q - p;
      q /= 2;
      r = p;
    }
  }
  return steps;
}

} // namespace lumicomb
