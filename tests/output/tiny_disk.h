#pragma once
// A folder on a file system of its own, a megabyte in all, where a save runs out of room.
#include <filesystem>
#include <sys/mount.h>

namespace lumicomb::test {

/// Only root may mount one; mounted() says whether it is there.
class TinyDisk {
public:
  explicit TinyDisk(const std::filesystem::path &folder) : m_folder(folder) {
    std::filesystem::create_directory(folder);
    m_mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  ~TinyDisk() {
    if (m_mounted)
      ::umount(m_folder.c_str());
  }
  TinyDisk(const TinyDisk &) = delete;
  TinyDisk &operator=(const TinyDisk &) = delete;
  bool mounted() const { return m_mounted; }

private:
  std::filesystem::path m_folder;
  bool m_mounted = false;
};

} // namespace lumicomb::test
