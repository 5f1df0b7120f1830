#include "passes/band_spill.h"

#include "imaging/bitmap.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace lumicomb {
namespace {

/// Room left on the disk beside the spill, so that it never fills the temporary folder.
constexpr uintmax_t kHeadroom = uintmax_t{256} << 20;

int openUnnamedFile(const std::filesystem::path &folder) {
  std::string pattern = (folder / "lumicomb-bands-XXXXXX").string();
  const int fd = ::mkstemp(pattern.data());
  if (fd >= 0)
    ::unlink(pattern.c_str());
  return fd;
}

/// Writes all of `rows` at `offset`, resuming after partial writes.
bool writeAll(int fd, std::vector<iovec> rows, off_t offset) {
  size_t first = 0;
  while (first < rows.size()) {
    const int count = static_cast<int>(std::min<size_t>(rows.size() - first, IOV_MAX));
    const ssize_t written = ::pwritev(fd, rows.data() + first, count, offset);
    if (written <= 0)
      return false;
    offset += written;
    for (size_t left = static_cast<size_t>(written); left > 0;) {
      iovec &row = rows[first];
      const size_t taken = std::min(left, row.iov_len);
      row.iov_base = static_cast<char *>(row.iov_base) + taken;
      row.iov_len -= taken;
      left -= taken;
      if (row.iov_len == 0)
        ++first;
    }
  }
  return true;
}

bool readAll(int fd, uint8_t *into, size_t bytes, off_t offset) {
  while (bytes > 0) {
    const ssize_t read = ::pread(fd, into, bytes, offset);
    if (read <= 0)
      return false;
    into += read;
    bytes -= static_cast<size_t>(read);
    offset += read;
  }
  return true;
}

} // namespace

BandSpill::BandSpill(int sources, int64_t rowsPerBand, int64_t rowBytes, int64_t height)
    : m_sources(sources), m_rowsPerBand(rowsPerBand), m_rowBytes(rowBytes), m_height(height) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error)
    return;
  const uintmax_t needed =
      static_cast<uintmax_t>(sources) * static_cast<uintmax_t>(height) * rowBytes + kHeadroom;
  const std::filesystem::space_info space = std::filesystem::space(folder, error);
  if (error || space.available < needed)
    return;
  m_fd = openUnnamedFile(folder);
  m_usable = m_fd >= 0;
}

BandSpill::~BandSpill() {
  if (m_fd >= 0)
    ::close(m_fd);
}

int64_t BandSpill::rowsOfBand(int64_t b) const {
  return std::min(m_rowsPerBand, m_height - b * m_rowsPerBand);
}

int64_t BandSpill::chunkOffset(int64_t b, int i) const {
  return ((b - 1) * m_sources + (i - 1)) * m_rowsPerBand * m_rowBytes;
}

void BandSpill::keepLaterBands(int i, const FIBITMAP *source) {
  const int64_t bands = (m_height + m_rowsPerBand - 1) / m_rowsPerBand;
  for (int64_t b = 1; b < bands && m_usable; ++b) {
    std::vector<iovec> rows;
    for (int64_t j = 0; j < rowsOfBand(b); ++j)
      rows.push_back({const_cast<uint8_t *>(scanLine(source, b * m_rowsPerBand + j)),
                      static_cast<size_t>(m_rowBytes)});
    if (!writeAll(m_fd, std::move(rows), static_cast<off_t>(chunkOffset(b, i))))
      m_usable = false;
  }
}

bool BandSpill::readBand(int64_t b, uint8_t *band) {
  if (!m_usable)
    return false;
  // Every source's chunk but the last is a full band long in the file, as in memory.
  const int64_t bytes = ((m_sources - 1) * m_rowsPerBand + rowsOfBand(b)) * m_rowBytes;
  if (!readAll(m_fd, band, static_cast<size_t>(bytes), static_cast<off_t>(chunkOffset(b, 1)))) {
    m_usable = false;
    return false;
  }
  return true;
}

} // namespace lumicomb
