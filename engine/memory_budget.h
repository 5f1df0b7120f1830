#pragma once
// How much memory a blend may hold at once when it keeps every source's samples.
#include <cstdint>

namespace lumicomb {

/// A quarter of the machine's physical memory.
uint64_t defaultMemoryBudget();

} // namespace lumicomb
