#include "passes/source_gathering.h"

#include "base/parallel_for.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <vector>

namespace lumicomb {

void gatherSourcesInAnyOrder(const PassContext &context, const DecodingPlan &plan,
                             const std::function<void(int i, const FIBITMAP *source)> &gather) {
  // Sources are started in ascending order and a failure stops only those not yet started, so
  // the loop's own choice of failure is already the lowest-numbered source's.
  parallelFor(
      context.set.sourceCount(),
      [&](int64_t index) {
        const int i = static_cast<int>(index) + 1;
        loadSource(context, plan, i);
        requireSameSize(context, i, plan.photograph, plan.result);
        gather(i, loadedSource(context, i));
      },
      plan.threads);
}

namespace {

/// Image 1 fixes the result's size, so no other source can be gathered before it is in. Sources
/// decoded earlier wait in a short queue, so their threads can go on decoding; only when the
/// queue is full does a thread wait. A failure of source k releases every waiting source after
/// k; those before it still wait for image 1, unless k is image 1 itself.
class FirstSourceGate {
public:
  enum class Arrival { GatherNow, Queued, Abandon };

  explicit FirstSourceGate(size_t queueLimit) : m_queueLimit(queueLimit) {}

  /// Called by every source but image 1 once it is loaded.
  Arrival arrive(int i);
  /// Called once image 1 is in; returns the queued sources still wanted, in ascending order.
  std::vector<int> open(PictureSize size);
  /// Called when source i failed.
  void fail(int i);
  bool abandoned(int i);
  PictureSize size() const { return m_size; }

private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_open = false;
  int m_lowestFailure = INT_MAX;
  PictureSize m_size{};
  size_t m_queueLimit;
  std::vector<int> m_queued;
};

/// Image 1's turn: however it ends without opening the gate, the gate fails, so that no
/// thread waits for image 1 for ever.
class FirstSourceTurn {
public:
  explicit FirstSourceTurn(FirstSourceGate &gate) : m_gate(gate) {}
  ~FirstSourceTurn() {
    if (!m_opened)
      m_gate.fail(1);
  }
  FirstSourceTurn(const FirstSourceTurn &) = delete;
  FirstSourceTurn &operator=(const FirstSourceTurn &) = delete;

  std::vector<int> open(PictureSize size) {
    m_opened = true;
    return m_gate.open(size);
  }

private:
  FirstSourceGate &m_gate;
  bool m_opened = false;
};

/// Keeps the failure of the lowest-numbered source, so that the fault reported never depends on
/// which thread handled which source.
class SourceFailures {
public:
  void record(int i, std::exception_ptr failure);
  /// Throws the kept failure, or `other` when no source failed.
  [[noreturn]] void rethrowLowest(std::exception_ptr other);

private:
  std::mutex m_mutex;
  int m_source = 0;
  std::exception_ptr m_failure;
};

FirstSourceGate::Arrival FirstSourceGate::arrive(int i) {
  std::unique_lock lock(m_mutex);
  if (i > m_lowestFailure)
    return Arrival::Abandon;
  if (!m_open && m_queued.size() < m_queueLimit) {
    m_queued.push_back(i);
    return Arrival::Queued;
  }
  m_changed.wait(lock, [&] { return m_open || i > m_lowestFailure; });
  return i > m_lowestFailure ? Arrival::Abandon : Arrival::GatherNow;
}

std::vector<int> FirstSourceGate::open(PictureSize size) {
  std::lock_guard lock(m_mutex);
  m_size = size;
  m_open = true;
  m_changed.notify_all();
  std::sort(m_queued.begin(), m_queued.end());
  return std::move(m_queued);
}

void FirstSourceGate::fail(int i) {
  std::lock_guard lock(m_mutex);
  m_lowestFailure = std::min(m_lowestFailure, i);
  m_changed.notify_all();
}

bool FirstSourceGate::abandoned(int i) {
  std::lock_guard lock(m_mutex);
  return i > m_lowestFailure;
}

void SourceFailures::record(int i, std::exception_ptr failure) {
  std::lock_guard lock(m_mutex);
  if (!m_failure || i < m_source) {
    m_source = i;
    m_failure = std::move(failure);
  }
}

void SourceFailures::rethrowLowest(std::exception_ptr other) {
  std::lock_guard lock(m_mutex);
  std::rethrow_exception(m_failure ? m_failure : other);
}

class SourceGathering {
public:
  SourceGathering(const PassContext &context, const DecodingPlan &plan,
                  const std::function<void(const FIBITMAP *)> &setUp,
                  const std::function<void(int, const FIBITMAP *)> &gather)
      : m_context(context), m_plan(plan), m_gate(plan.queueLimit), m_setUp(setUp),
        m_gather(gather) {}

  void run() {
    try {
      parallelFor(
          m_context.set.sourceCount(),
          [&](int64_t index) { handleSource(static_cast<int>(index) + 1); }, m_plan.threads);
    } catch (...) {
      m_failures.rethrowLowest(std::current_exception());
    }
  }

private:
  /// Runs `step` for source i; a failure is kept, releases the sources after i, and is thrown
  /// on to stop the loop.
  template <typename Step> void guard(int i, Step &&step) {
    try {
      step();
    } catch (...) {
      m_failures.record(i, std::current_exception());
      m_gate.fail(i);
      throw;
    }
  }

  void handleSource(int i) {
    if (i == 1)
      return startWithFirstSource();
    guard(i, [&] { loadSource(m_context, m_plan, i); });
    if (m_gate.arrive(i) == FirstSourceGate::Arrival::GatherNow)
      gather(i, m_gate.size());
  }

  void startWithFirstSource() {
    FirstSourceTurn turn(m_gate);
    PictureSize size{};
    guard(1, [&] {
      loadSource(m_context, m_plan, 1);
      const FIBITMAP *first = loadedSource(m_context, 1);
      size = sizeOf(first);
      m_setUp(first);
    });
    // Image 1 goes in whole before the gate opens, so a rule can compare later sources with it.
    gather(1, size);
    for (int i : turn.open(size))
      gather(i, size);
  }

  void gather(int i, PictureSize size) {
    if (m_gate.abandoned(i))
      return;
    guard(i, [&] {
      requireSameSize(m_context, i, firstPhotograph(), size);
      m_gather(i, loadedSource(m_context, i));
    });
  }

  PictureSize firstPhotograph() const {
    const ImageEntry &first = m_context.set.entry(1);
    return {first.width, first.height};
  }

  const PassContext &m_context;
  const DecodingPlan &m_plan;
  FirstSourceGate m_gate;
  SourceFailures m_failures;
  const std::function<void(const FIBITMAP *)> &m_setUp;
  const std::function<void(int, const FIBITMAP *)> &m_gather;
};

} // namespace

void gatherSourcesImageOneFirst(const PassContext &context, const DecodingPlan &plan,
                                const std::function<void(const FIBITMAP *first)> &setUp,
                                const std::function<void(int i, const FIBITMAP *source)> &gather) {
  SourceGathering(context, plan, setUp, gather).run();
}

} // namespace lumicomb
