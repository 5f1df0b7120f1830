#pragma once
// Writing a bitmap so that a file appears whole or not at all.
#include <FreeImage.h>

#include <functional>
#include <string>
#include <utility>

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

/// A file written whole and on disk beside its target, not yet in place: commit() renames it over
/// the target; if it never does, the file is removed and the target left as it was. It lets two
/// files appear together: both are staged before either is committed.
class StagedSave {
public:
  StagedSave(std::string temporaryPath, std::string target, std::string folder, std::string path);
  ~StagedSave();
  StagedSave(StagedSave &&other) noexcept;
  StagedSave(const StagedSave &) = delete;
  StagedSave &operator=(const StagedSave &) = delete;
  StagedSave &operator=(StagedSave &&) = delete;

  /// Renames the file over the target and puts the rename on disk; fails naming the path.
  void commit();

private:
  std::string m_temporaryPath, m_target, m_folder, m_path;
};

/// saveBitmapAtomically up to the rename, which the StagedSave it returns does when committed.
StagedSave stageBitmapSave(FIBITMAP *bitmap, const std::string &path, FREE_IMAGE_FORMAT format,
                           int flags, const SaveSteps &steps = {});

/// Writes the bitmap to a temporary file beside the target (see checkedSaveTarget) and renames
/// it over the target once every byte is written and on disk. An existing file is replaced only
/// by a complete new one and keeps its permissions. Any failure, and a cancel, removes the
/// temporary file, leaves any existing file as it was and fails naming the path and the reason;
/// a cancel fails as Cancelled. A cancel counts until the rename, however long the sync before
/// it takes; from the rename on, the new file stands.
void saveBitmapAtomically(FIBITMAP *bitmap, const std::string &path, FREE_IMAGE_FORMAT format,
                          int flags, const SaveSteps &steps = {});

} // namespace lumicomb
