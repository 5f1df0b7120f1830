#pragma once
// A sorting network: a fixed list of compare-exchange steps that sorts any values, so that many
// sets of values can be sorted side by side in vector lanes, without a branch.
#include <cstdint>
#include <utility>
#include <vector>

namespace lumicomb {

/// The steps of Batcher's merge exchange (Knuth, The Art of Computer Programming, 5.2.2, algorithm
/// M) for n values: applied in order, each putting the smaller of its two places' values in the
/// first, they sort any n values.
std::vector<std::pair<uint16_t, uint16_t>> sortingNetwork(int n);

} // namespace lumicomb
