#include "output/positioned_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace lumicomb {
namespace {

[[noreturn]] void failWith(int error) { throw std::runtime_error(std::strerror(error)); }

[[noreturn]] void failWithErrno() { failWith(errno); }

constexpr const char *kEndsEarly = "the file is shorter than it was written";

} // namespace

PositionedFile::PositionedFile(const std::string &path)
    : m_fd(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
  if (m_fd < 0)
    failWithErrno();
}

PositionedFile::~PositionedFile() {
  if (m_fd >= 0)
    ::close(m_fd);
}

uint64_t PositionedFile::size() const {
  struct stat status {};
  if (::fstat(m_fd, &status) != 0)
    failWithErrno();
  return static_cast<uint64_t>(status.st_size);
}

std::vector<uint8_t> PositionedFile::read(uint64_t offset, uint64_t count) const {
  if (offset > size() || count > size() - offset)
    throw std::runtime_error(kEndsEarly);
  std::vector<uint8_t> bytes(count);
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t got =
        ::pread(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      failWithErrno();
    if (got == 0)
      throw std::runtime_error(kEndsEarly);
    done += static_cast<size_t>(got);
  }
  return bytes;
}

void PositionedFile::write(uint64_t offset, const uint8_t *bytes, size_t count) {
  for (size_t done = 0; done < count;) {
    const ssize_t put =
        ::pwrite(m_fd, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR)
      continue;
    if (put < 0)
      failWithErrno();
    if (put == 0)
      failWith(ENOSPC); // nothing taken and no reason given: the disk has no room
    done += static_cast<size_t>(put);
  }
}

void PositionedFile::truncate(uint64_t size) {
  if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0)
    failWithErrno();
}

void PositionedFile::close() {
  if (m_fd < 0)
    return;
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0)
    failWithErrno();
}

} // namespace lumicomb
