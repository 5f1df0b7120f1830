#pragma once
// The one place where the engine runs data-parallel loops (decoding sources, sweeping rows).
#include <cstdint>
#include <functional>

namespace lumicomb {

/// Sets how many threads parallel loops use; 0 means one per core.
void setWorkerThreads(int threads);
int workerThreads();

/// Runs body(i) for every i in [0, count). Indices are handed out in ascending order. When a
/// body fails, no further index starts, the ones already started finish, and the failure of the
/// lowest failing index is rethrown, so the reported fault never depends on the thread count.
/// At most `mostThreads` threads take part (0: workerThreads()).
void parallelFor(int64_t count, const std::function<void(int64_t)> &body, int mostThreads = 0);

} // namespace lumicomb
