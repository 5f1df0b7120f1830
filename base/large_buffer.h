#pragma once
// Zero-filled working memory for the large planes of a pass.
#include <cstddef>
#include <cstdint>

namespace lumicomb {

/// Which pages a LargeBuffer asks for.
enum class Pages {
  /// Huge pages where the system offers them: a plane of tens of megabytes then costs a few
  /// dozen page faults instead of thousands, which is a noticeable share of a blend.
  Huge,
  /// Small pages. Huge pages pay off while they come from memory freed a moment before, by the
  /// previous picture or run; a buffer as large as a memory budget mostly takes memory untouched
  /// for long, and that costs more to get in huge pages than in small ones.
  Small,
};

/// Memory taken straight from the system, starting zero-filled.
class LargeBuffer {
public:
  LargeBuffer() = default;
  explicit LargeBuffer(size_t bytes, Pages pages = Pages::Huge);
  ~LargeBuffer();
  LargeBuffer(LargeBuffer &&other) noexcept;
  LargeBuffer &operator=(LargeBuffer &&other) noexcept;
  LargeBuffer(const LargeBuffer &) = delete;
  LargeBuffer &operator=(const LargeBuffer &) = delete;

  uint8_t *data() const { return m_data; }
  size_t size() const { return m_bytes; }

  /// Faults in bytes [offset, offset + count) at once where the system can: far cheaper than a
  /// fault per page when they are first written. Only advice; different ranges may be faulted
  /// in from several threads at once.
  void populate(size_t offset, size_t count) const;

private:
  void release();

  void *m_mapping = nullptr;
  size_t m_mappedBytes = 0;
  uint8_t *m_data = nullptr;
  size_t m_bytes = 0;
};

/// A zero-filled plane of `count` values of T in a LargeBuffer.
template <typename T> class LargePlane {
public:
  LargePlane() = default;
  explicit LargePlane(size_t count) : m_buffer(count * sizeof(T)) {}

  T *data() { return reinterpret_cast<T *>(m_buffer.data()); }
  const T *data() const { return reinterpret_cast<const T *>(m_buffer.data()); }

private:
  LargeBuffer m_buffer;
};

} // namespace lumicomb
