#pragma once
// How the sweep pass gets at its sources: loading them for the run mode, checking their size
// against image 1, holding early arrivals until image 1 has set the result up, and releasing
// them again.
#include "blend/sweep_pass.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

namespace lumicomb {

struct PictureSize {
  int64_t width;
  int64_t height;
};

PictureSize sizeOf(const FIBITMAP *bitmap);

/// Makes sure source i's bitmap for the run mode is loaded: its preview, or its full size.
void loadSource(const PassContext &context, int i);
/// Source i's loaded bitmap for the run mode.
const FIBITMAP *loadedSource(const PassContext &context, int i);

/// Fails with a message naming the file and both sizes when source i is not image 1's size.
void requireSameSize(const PassContext &context, int i, PictureSize expected);

/// Releases every full-size source bitmap when the pass ends, also when it fails.
class SourceRelease {
public:
  explicit SourceRelease(ImageSet &set) : m_set(set) {}
  ~SourceRelease();

private:
  ImageSet &m_set;
};

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

} // namespace lumicomb
