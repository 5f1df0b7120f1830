#include "base/memory_budget.h"

#include <algorithm>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace lumicomb {
namespace {

/// Pictures below this size come from the heap; larger ones are mapped on their own.
constexpr size_t kHeapPictures = size_t{512} << 20;
constexpr uintptr_t kHugePage = uintptr_t{2} << 20;

} // namespace

uint64_t defaultMemoryBudget() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0)
    return uint64_t{1} << 30; // the machine does not say: assume a small one
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 4;
}

void keepPictureMemoryInProcess() {
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHeapPictures));
  mallopt(M_TRIM_THRESHOLD, 1024 << 20);
  mallopt(M_ARENA_MAX, 1);
}

void preparePictureMemory(uint64_t bytes) {
  // Kept below the size the heap maps on its own, so that the block is carved from the heap and
  // goes back to it when freed, where the pictures that follow find it.
  const size_t size = static_cast<size_t>(std::min<uint64_t>(bytes, kHeapPictures - kHugePage));
  if (size < kHugePage)
    return;
  void *block = std::malloc(size);
  if (!block)
    return;
  const auto start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (start + size) & ~(kHugePage - 1);
  if (last > first)
    ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
  std::free(block);
}

} // namespace lumicomb
