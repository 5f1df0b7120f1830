#pragma once
// Writing a bitmap so that a file appears whole or not at all.
#include <FreeImage.h>

#include <functional>
#include <string>

namespace lumicomb {

/// What a save does besides encoding.
struct SaveSteps {
  /// Asked at every write and before the rename.
  std::function<bool()> cancelled;
  /// Runs on the whole temporary file before it goes to disk and is renamed, to add what the
  /// encoder cannot write; the bitmap is not read again from then on. Any exception it throws
  /// fails the save, a LumicombError as it is, anything else naming the path and its reason.
  std::function<void(const std::string &temporaryPath)> finish;
  /// Forces the finished temporary file to disk (see syncToDisk, the default), returning why it
  /// could not, or an empty text. Replaceable so that a test can make the sync as slow as a busy
  /// disk makes it.
  std::function<std::string(const std::string &temporaryPath)> sync;
};

/// fsync of the file at the path: an empty text when its data is on disk, else the reason.
std::string syncToDisk(const std::string &path);

/// Writes the bitmap to a temporary file beside the target (see checkedSaveTarget) and renames
/// it over the target once every byte is written and on disk. An existing file is replaced only
/// by a complete new one and keeps its permissions. Any failure, and a cancel, removes the
/// temporary file, leaves any existing file as it was and fails naming the path and the reason;
/// a cancel fails as Cancelled. A cancel counts until the rename, however long the sync before
/// it takes; from the rename on, the new file stands.
void saveBitmapAtomically(FIBITMAP *bitmap, const std::string &path, FREE_IMAGE_FORMAT format,
                          int flags, const SaveSteps &steps = {});

} // namespace lumicomb
