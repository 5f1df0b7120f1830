#pragma once
// A finished file read and rewritten in place, every transfer checked whole: a write that comes
// up short (a full disk) must fail the save instead of leaving part of a file to be renamed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumicomb {

/// Failures throw std::runtime_error with the reason in words.
class PositionedFile {
public:
  /// Opens an existing file for reading and writing.
  explicit PositionedFile(const std::string &path);
  ~PositionedFile();
  PositionedFile(const PositionedFile &) = delete;
  PositionedFile &operator=(const PositionedFile &) = delete;

  uint64_t size() const;
  /// Exactly `count` bytes from `offset`; fails when the file ends before them.
  std::vector<uint8_t> read(uint64_t offset, uint64_t count) const;
  void write(uint64_t offset, const uint8_t *bytes, size_t count);
  void truncate(uint64_t size);
  /// Closes the file, failing if the system reports a write it could not finish.
  void close();

private:
  int m_fd;
};

} // namespace lumicomb
