#include "passes/band_spill.h"

#include "base/parallel_for.h"
#include "imaging/sample_rows.h"

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

/// Moves all of `pieces` to or from the file at `offset`, resuming after partial transfers.
template <typename Transfer>
bool transferAll(std::vector<iovec> pieces, off_t offset, Transfer move) {
  size_t first = 0;
  while (first < pieces.size()) {
    const int count = static_cast<int>(std::min<size_t>(pieces.size() - first, IOV_MAX));
    const ssize_t moved = move(pieces.data() + first, count, offset);
    if (moved <= 0)
      return false;
    offset += moved;
    for (size_t left = static_cast<size_t>(moved); left > 0;) {
      iovec &piece = pieces[first];
      const size_t taken = std::min(left, piece.iov_len);
      piece.iov_base = static_cast<char *>(piece.iov_base) + taken;
      piece.iov_len -= taken;
      left -= taken;
      if (piece.iov_len == 0)
        ++first;
    }
  }
  return true;
}

bool writeAll(int fd, std::vector<iovec> pieces, off_t offset) {
  return transferAll(std::move(pieces), offset, [fd](const iovec *at, int count, off_t where) {
    return ::pwritev(fd, at, count, where);
  });
}

bool readAll(int fd, std::vector<iovec> pieces, off_t offset) {
  return transferAll(std::move(pieces), offset, [fd](const iovec *at, int count, off_t where) {
    return ::preadv(fd, at, count, where);
  });
}

} // namespace

BandSpill::BandSpill(int sources, int64_t rowsPerBand, int64_t rowBytes, int64_t height,
                     SampleDepth depth)
    : m_sources(sources), m_rowsPerBand(rowsPerBand), m_rowBytes(rowBytes), m_height(height),
      m_depth(depth) {
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
  // Only the last band is short, so every band before b is a full one.
  return ((b - 1) * m_sources * m_rowsPerBand + (i - 1) * rowsOfBand(b)) * m_rowBytes;
}

void BandSpill::keepLaterBands(int i, const FIBITMAP *source) {
  const int64_t bands = (m_height + m_rowsPerBand - 1) / m_rowsPerBand;
  // A source to be widened is widened a band at a time, into rows that stay until written.
  const bool widen = depthOf(source) != m_depth;
  std::vector<std::vector<uint16_t>> widened(widen ? static_cast<size_t>(m_rowsPerBand) : 0);
  for (int64_t b = 1; b < bands && m_usable; ++b) {
    std::vector<iovec> rows;
    for (int64_t j = 0; j < rowsOfBand(b); ++j) {
      const int64_t y = b * m_rowsPerBand + j;
      const uint8_t *row = widen ? rowAtDepth(source, y, m_depth, widened[static_cast<size_t>(j)])
                                 : scanLine(source, y);
      rows.push_back({const_cast<uint8_t *>(row), static_cast<size_t>(m_rowBytes)});
    }
    if (!writeAll(m_fd, std::move(rows), static_cast<off_t>(chunkOffset(b, i))))
      m_usable = false;
  }
}

bool BandSpill::readBand(int64_t b, uint8_t *band, int64_t slotBytes, int threads) {
  if (!m_usable)
    return false;
  // Each thread reads a run of sources that lie together in the file.
  const int parts = std::clamp(threads, 1, m_sources);
  const size_t chunkBytes = static_cast<size_t>(rowsOfBand(b) * m_rowBytes);
  parallelFor(
      parts,
      [&](int64_t part) {
        const int first = static_cast<int>(part * m_sources / parts) + 1;
        const int last = static_cast<int>((part + 1) * m_sources / parts);
        std::vector<iovec> slots;
        for (int i = first; i <= last; ++i)
          slots.push_back({band + (i - 1) * slotBytes, chunkBytes});
        if (!readAll(m_fd, std::move(slots), static_cast<off_t>(chunkOffset(b, first))))
          m_usable = false;
      },
      parts);
  return m_usable;
}

} // namespace lumicomb
