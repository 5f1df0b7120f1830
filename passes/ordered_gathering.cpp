#include "passes/ordered_gathering.h"

#include "base/parallel_for.h"

#include <climits>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <set>

namespace lumicomb {
namespace {

class OrderedGathering {
public:
  OrderedGathering(const PassContext &context, const DecodingPlan &plan,
                   const std::function<void(int, const FIBITMAP *)> &gather)
      : m_context(context), m_plan(plan), m_gather(gather) {}

  void run() {
    try {
      parallelFor(
          m_context.set.sourceCount(),
          [&](int64_t index) { handleSource(static_cast<int>(index) + 1); }, m_plan.threads);
    } catch (...) {
      std::lock_guard lock(m_mutex);
      std::rethrow_exception(m_failure ? m_failure : std::current_exception());
    }
  }

private:
  void handleSource(int i) {
    try {
      loadSource(m_context, m_plan, i);
    } catch (...) {
      fail(i, std::current_exception());
      throw;
    }
    std::unique_lock lock(m_mutex);
    if (i > m_lowestFailure)
      return;
    if (i != m_next && m_queued.size() < m_plan.queueLimit) {
      m_queued.insert(i); // whoever gathers the source before it gathers it too
      return;
    }
    m_turn.wait(lock, [&] { return (i == m_next && !m_gathering) || i > m_lowestFailure; });
    if (i > m_lowestFailure)
      return;
    m_gathering = true;
    // Gathers i, then every queued source whose turn has come, in order.
    for (;;) {
      lock.unlock();
      try {
        requireSameSize(m_context, i, photograph(), m_plan.result);
        m_gather(i, loadedSource(m_context, i));
      } catch (...) {
        fail(i, std::current_exception());
        throw;
      }
      lock.lock();
      m_next = i + 1;
      if (!m_queued.erase(m_next))
        break;
      i = m_next;
    }
    m_gathering = false;
    m_turn.notify_all();
  }

  void fail(int i, std::exception_ptr failure) {
    std::lock_guard lock(m_mutex);
    if (i < m_lowestFailure) {
      m_lowestFailure = i;
      m_failure = std::move(failure);
    }
    m_gathering = false;
    m_turn.notify_all();
  }

  PictureSize photograph() const {
    const ImageEntry &first = m_context.set.entry(1);
    return {first.width, first.height};
  }

  const PassContext &m_context;
  const DecodingPlan &m_plan;
  const std::function<void(int, const FIBITMAP *)> &m_gather;
  std::mutex m_mutex;
  std::condition_variable m_turn;
  int m_next = 1;
  bool m_gathering = false;
  std::set<int> m_queued;
  int m_lowestFailure = INT_MAX;
  std::exception_ptr m_failure;
};

} // namespace

void gatherSourcesInOrder(const PassContext &context, const DecodingPlan &plan,
                          const std::function<void(int i, const FIBITMAP *source)> &gather) {
  OrderedGathering(context, plan, gather).run();
}

} // namespace lumicomb
