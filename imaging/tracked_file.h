#pragma once
// A stdio file that the library reads or writes through its handle interface, noting every
// transfer that came up short: some decoders and encoders do not check for themselves.
#include <FreeImage.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace lumicomb {

struct TrackedFile {
  std::FILE *file = nullptr;
  bool shortRead = false; ///< a read asked for more than the file had left
  /// errno of the first write or seek that failed, or 0. A seek counts: moving flushes the
  /// buffer, and a flush that fails (a full disk) is a write that failed.
  int writeError = 0;
  /// Asked before every write; once it answers true, writes fail, so that an encoder stops
  /// at its next transfer when the user cancels.
  std::function<bool()> cancelled = {};
  bool wasCancelled = false;
  /// Where the next transfer happens, kept here because asking the file costs a system call.
  long position = 0;
  /// Where the data written so far ends; files are only ever written from empty, so this is
  /// also the end of the file. -1 until something is written.
  long writtenEnd = -1;
  /// A byte every read sees one higher, or -1 (see exifPointerTagLowByte).
  long raisedByte = -1;
};

/// Callbacks for FreeImage's *FromHandle / *ToHandle calls, with a TrackedFile as the handle.
FreeImageIO trackedFileIo();

/// Back to the first byte, with the short-read note cleared.
void rewindFile(TrackedFile &file);

/// The buffer of a file opened for a whole picture. It must outlive the file, so declare it
/// before the file is opened.
struct FileBuffer {
  std::unique_ptr<char[]> bytes;
};

/// Gives a freshly opened file a buffer of a megabyte, so that a picture moves in a few large
/// transfers instead of many small ones.
void useLargeBuffer(std::FILE *file, FileBuffer &buffer);

/// Closes the file when it goes out of scope.
struct FileCloser {
  std::FILE *file;
  ~FileCloser() {
    if (file)
      std::fclose(file);
  }
};

} // namespace lumicomb
