#include "base/memory_budget.h"

#include <malloc.h>
#include <unistd.h>

namespace lumicomb {

uint64_t defaultMemoryBudget() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0)
    return uint64_t{1} << 30; // the machine does not say: assume a small one
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 4;
}

void keepPictureMemoryInProcess() {
  mallopt(M_MMAP_THRESHOLD, 512 << 20);
  mallopt(M_TRIM_THRESHOLD, 1024 << 20);
}

} // namespace lumicomb
