#include "base/large_buffer.h"

#include <new>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace lumicomb {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;

} // namespace

LargeBuffer::LargeBuffer(size_t bytes, Pages pages) : m_bytes(bytes) {
  if (bytes == 0)
    return;
  // One huge page more than asked, so that the data can start on a huge-page boundary.
  m_mappedBytes = bytes + kHugePage;
  m_mapping =
      ::mmap(nullptr, m_mappedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (m_mapping == MAP_FAILED) {
    m_mapping = nullptr;
    throw std::bad_alloc();
  }
  const uintptr_t start = reinterpret_cast<uintptr_t>(m_mapping);
  m_data = reinterpret_cast<uint8_t *>((start + kHugePage - 1) & ~(kHugePage - 1));
  // Only advice: without huge pages the memory works the same, in small pages.
  if (pages == Pages::Huge)
    ::madvise(m_data, bytes, MADV_HUGEPAGE);
}

LargeBuffer::~LargeBuffer() { release(); }

void LargeBuffer::populate(size_t offset, size_t count) const {
#ifdef MADV_POPULATE_WRITE
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGE_SIZE));
  const uintptr_t first = reinterpret_cast<uintptr_t>(m_data + offset) & ~(page - 1);
  const uintptr_t end = reinterpret_cast<uintptr_t>(m_data + offset + count);
  if (count > 0)
    ::madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE);
#else
  (void)offset;
  (void)count;
#endif
}

LargeBuffer::LargeBuffer(LargeBuffer &&other) noexcept
    : m_mapping(std::exchange(other.m_mapping, nullptr)),
      m_mappedBytes(std::exchange(other.m_mappedBytes, 0)),
      m_data(std::exchange(other.m_data, nullptr)), m_bytes(std::exchange(other.m_bytes, 0)) {}

LargeBuffer &LargeBuffer::operator=(LargeBuffer &&other) noexcept {
  if (this != &other) {
    release();
    m_mapping = std::exchange(other.m_mapping, nullptr);
    m_mappedBytes = std::exchange(other.m_mappedBytes, 0);
    m_data = std::exchange(other.m_data, nullptr);
    m_bytes = std::exchange(other.m_bytes, 0);
  }
  return *this;
}

void LargeBuffer::release() {
  if (m_mapping)
    ::munmap(m_mapping, m_mappedBytes);
  m_mapping = nullptr;
  m_data = nullptr;
}

} // namespace lumicomb
