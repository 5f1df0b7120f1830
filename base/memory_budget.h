#pragma once
// How much memory a blend may hold at once when it keeps every source's samples.
#include <cstdint>

namespace lumicomb {

/// A quarter of the machine's physical memory.
uint64_t defaultMemoryBudget();

/// Keeps decoded pictures in the heap and freed memory in the process, so that the next picture
/// of a run reuses pages already mapped instead of faulting in fresh ones. Call once, first thing.
void keepPictureMemoryInProcess();

} // namespace lumicomb
