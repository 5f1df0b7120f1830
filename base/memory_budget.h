#pragma once
// How much memory a blend may hold at once when it keeps every source's samples, and how the
// process keeps the memory its pictures take.
#include <cstdint>

namespace lumicomb {

/// A quarter of the machine's physical memory.
uint64_t defaultMemoryBudget();

/// Keeps decoded pictures in one heap for all threads and freed memory in the process, so that
/// the next picture of a run reuses pages already mapped instead of faulting in fresh ones,
/// whichever thread decodes it. Call once, first thing.
void keepPictureMemoryInProcess();

/// Grows the heap at once by `bytes` (at most a few hundred MiB) for the pictures a run is about
/// to decode, and asks for huge pages there: the decoder then fills pages of 2 MiB, each one
/// fault, instead of faulting in every 4 KiB page of every picture on its own. Nothing is touched
/// here, so memory the run never uses costs nothing. Only advice: without
/// keepPictureMemoryInProcess or huge pages, pictures simply come as before.
void preparePictureMemory(uint64_t bytes);

} // namespace lumicomb
