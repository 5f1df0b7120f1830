#include "blend/pass_sources.h"

#include "engine/errors.h"
#include "engine/parallel_for.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <vector>

namespace lumicomb {
namespace {

/// Image 1 fixes the result's size, so no other source can be gathered before it is in. Sources
/// decoded earlier wait in a short queue, so their threads can go on decoding; only when the
/// queue is full does a thread wait.
class FirstSourceGate {
public:
  enum class Arrival { GatherNow, Queued, Abandon };

  explicit FirstSourceGate(size_t queueLimit) : m_queueLimit(queueLimit) {}

  /// Called by every source but image 1 once it is loaded.
  Arrival arrive(int i);
  /// Called once image 1 has set everything up; returns the queued sources in ascending order.
  std::vector<int> open(PictureSize size);
  /// Called when image 1 failed: queued and waiting sources are abandoned.
  void fail();
  PictureSize size() const { return m_size; }

private:
  enum class State { Waiting, Open, Failed };
  std::mutex m_mutex;
  std::condition_variable m_changed;
  State m_state = State::Waiting;
  PictureSize m_size{};
  size_t m_queueLimit;
  std::vector<int> m_queued;
};

/// Keeps the failure of the lowest-numbered source, so that the fault reported never depends on
/// which thread handled which source.
class SourceFailures {
public:
  /// Runs `step` for source i; a failure is kept and thrown on to stop the pass.
  template <typename Step> void guard(int i, Step &&step) {
    try {
      step();
    } catch (...) {
      record(i, std::current_exception());
      throw;
    }
  }
  /// Throws the kept failure, or `other` when no source failed.
  [[noreturn]] void rethrowLowest(std::exception_ptr other);

private:
  void record(int i, std::exception_ptr failure);
  std::mutex m_mutex;
  int m_source = 0;
  std::exception_ptr m_failure;
};

FirstSourceGate::Arrival FirstSourceGate::arrive(int i) {
  std::unique_lock lock(m_mutex);
  if (m_state == State::Waiting && m_queued.size() < m_queueLimit) {
    m_queued.push_back(i);
    return Arrival::Queued;
  }
  m_changed.wait(lock, [&] { return m_state != State::Waiting; });
  return m_state == State::Open ? Arrival::GatherNow : Arrival::Abandon;
}

std::vector<int> FirstSourceGate::open(PictureSize size) {
  std::lock_guard lock(m_mutex);
  m_size = size;
  m_state = State::Open;
  m_changed.notify_all();
  std::sort(m_queued.begin(), m_queued.end());
  return std::move(m_queued);
}

void FirstSourceGate::fail() {
  std::lock_guard lock(m_mutex);
  m_state = State::Failed;
  m_changed.notify_all();
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

std::string sizeText(int64_t width, int64_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

} // namespace

PictureSize sizeOf(const FIBITMAP *bitmap) { return {widthOf(bitmap), heightOf(bitmap)}; }

void loadSource(const PassContext &context, int i) {
  ImageEntry &entry = context.set.entry(i);
  if (context.mode.usesPreviews()) {
    if (!entry.PreviewBitmap)
      makePreview(context.set, i, context.box);
  } else if (!entry.FullBitmap) {
    LoadFullImage(context.set, i);
  }
}

const FIBITMAP *loadedSource(const PassContext &context, int i) {
  const ImageEntry &entry = context.set.entry(i);
  return context.mode.usesPreviews() ? entry.PreviewBitmap.get() : entry.FullBitmap.get();
}

void requireSameSize(const PassContext &context, int i, PictureSize expected) {
  const ImageEntry &first = context.set.entry(1);
  const ImageEntry &entry = context.set.entry(i);
  if (entry.PixelWidth != first.PixelWidth || entry.PixelHeight != first.PixelHeight)
    throw LumicombError(ErrorKind::SizeMismatch, quoted(context.set.imagePath(i)) + " is " +
                                                     sizeText(entry.PixelWidth, entry.PixelHeight) +
                                                     " pixels, but " +
                                                     quoted(context.set.imagePath(1)) + " is " +
                                                     sizeText(first.PixelWidth, first.PixelHeight));
  // Previews made earlier under other preview settings can differ although the photographs agree.
  const PictureSize actual = sizeOf(loadedSource(context, i));
  if (actual.width != expected.width || actual.height != expected.height)
    throw LumicombError(ErrorKind::SizeMismatch,
                        "the preview of " + quoted(context.set.imagePath(i)) + " is " +
                            sizeText(actual.width, actual.height) + " pixels, not " +
                            sizeText(expected.width, expected.height));
}

SourceRelease::~SourceRelease() {
  for (int i = 1; i <= m_set.sourceCount(); ++i)
    m_set.entry(i).FullBitmap.reset();
}

namespace {

class SourceGathering {
public:
  SourceGathering(const PassContext &context, size_t queueLimit,
                  const std::function<void(const FIBITMAP *)> &setUp,
                  const std::function<void(int, const FIBITMAP *)> &gather)
      : m_context(context), m_gate(queueLimit), m_setUp(setUp), m_gather(gather) {}

  void run() {
    try {
      parallelFor(m_context.set.sourceCount(),
                  [&](int64_t index) { handleSource(static_cast<int>(index) + 1); });
    } catch (...) {
      m_failures.rethrowLowest(std::current_exception());
    }
  }

private:
  void handleSource(int i) {
    if (i == 1)
      return startWithFirstSource();
    m_failures.guard(i, [&] { loadSource(m_context, i); });
    if (m_gate.arrive(i) == FirstSourceGate::Arrival::GatherNow)
      gather(i, m_gate.size());
  }

  void startWithFirstSource() {
    PictureSize size{};
    try {
      m_failures.guard(1, [&] {
        loadSource(m_context, 1);
        const FIBITMAP *first = loadedSource(m_context, 1);
        size = sizeOf(first);
        m_setUp(first);
      });
    } catch (...) {
      m_gate.fail();
      throw;
    }
    // Image 1 goes in whole before the gate opens, so a rule can compare later sources with it.
    gather(1, size);
    for (int i : m_gate.open(size))
      gather(i, size);
  }

  void gather(int i, PictureSize size) {
    m_failures.guard(i, [&] {
      requireSameSize(m_context, i, size);
      m_gather(i, loadedSource(m_context, i));
    });
  }

  const PassContext &m_context;
  FirstSourceGate m_gate;
  SourceFailures m_failures;
  const std::function<void(const FIBITMAP *)> &m_setUp;
  const std::function<void(int, const FIBITMAP *)> &m_gather;
};

} // namespace

void gatherSources(const PassContext &context, size_t queueLimit,
                   const std::function<void(const FIBITMAP *first)> &setUp,
                   const std::function<void(int i, const FIBITMAP *source)> &gather) {
  SourceGathering(context, queueLimit, setUp, gather).run();
}

} // namespace lumicomb
