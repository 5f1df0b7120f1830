#pragma once
// A stdio file that the library reads or writes through its handle interface, noting every
// transfer that came up short: some decoders and encoders do not check for themselves.
#include <FreeImage.h>

#include <cstdio>

namespace lumicomb {

struct TrackedFile {
  std::FILE *file = nullptr;
  bool shortRead = false; ///< a read asked for more than the file had left
  int writeError = 0;     ///< errno of the first short write, or 0
};

/// Callbacks for FreeImage's *FromHandle / *ToHandle calls, with a TrackedFile as the handle.
FreeImageIO trackedFileIo();

/// Closes the file when it goes out of scope.
struct FileCloser {
  std::FILE *file;
  ~FileCloser() {
    if (file)
      std::fclose(file);
  }
};

} // namespace lumicomb
