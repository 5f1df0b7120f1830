#include "base/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace lumicomb {
namespace {

std::atomic<int> g_threads{0};

class FirstFailure {
public:
  void record(int64_t index, std::exception_ptr failure) {
    std::lock_guard lock(m_mutex);
    if (!m_failure || index < m_index) {
      m_index = index;
      m_failure = std::move(failure);
    }
  }
  void rethrowIfAny() const {
    if (m_failure)
      std::rethrow_exception(m_failure);
  }

private:
  std::mutex m_mutex;
  int64_t m_index = 0;
  std::exception_ptr m_failure;
};

} // namespace

void setWorkerThreads(int threads) { g_threads = std::max(0, threads); }

int workerThreads() {
  const int chosen = g_threads;
  if (chosen > 0)
    return chosen;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void parallelFor(int64_t count, const std::function<void(int64_t)> &body, int mostThreads) {
  std::atomic<int64_t> next{0};
  std::atomic<bool> stop{false};
  FirstFailure failure;
  auto work = [&] {
    while (!stop) {
      const int64_t index = next++;
      if (index >= count)
        return;
      try {
        body(index);
      } catch (...) {
        stop = true;
        failure.record(index, std::current_exception());
      }
    }
  };
  const int taking = mostThreads > 0 ? std::min(mostThreads, workerThreads()) : workerThreads();
  const int64_t helpers = std::min<int64_t>(taking, count) - 1;
  std::vector<std::jthread> threads;
  for (int64_t t = 0; t < helpers; ++t)
    threads.emplace_back(work);
  work();
  threads.clear(); // joins
  failure.rethrowIfAny();
}

} // namespace lumicomb
