#pragma once
// "--sequence": every step of a run written as a frame of a time-lapse, on threads of their own
// while the run goes on decoding.
#include "output/file_types.h"
#include "passes/sequence_pass.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumicomb {

/// Where and how the frames are written: `folder/<stem>_00001.<extension>` ..., as the row's
/// type with its flags.
struct SequenceFiles {
  std::string folder;
  std::string stem;
  std::string extension; ///< without the dot
  int filterIndex = 1;
  int flags = 0;
  bool withMetadata = true;

  /// The file of the step after image k.
  std::string framePath(int k) const;
  /// The command that makes a video of the frames: ffmpeg at 25 frames a second, with the
  /// padding to even sides that its encoder needs when the frames' width or height is odd.
  std::string videoCommand(int64_t width, int64_t height) const;
};

/// The frames of a sequence for the output `path` in `folder`: the output's name without its
/// extension, and its extension (or the row's, lower case, when it has another).
SequenceFiles sequenceFilesFor(const std::string &folder, const std::string &path,
                               const FileTypeRow &row);

/// Makes the folder if it is missing and checks that every frame of `frames` images can be
/// written there, before anything is blended; fails naming the folder or the file.
void prepareSequenceFolder(const SequenceFiles &files, int frames);

/// Writes each step atomically, as a result is written (in its colour profile, with its metadata
/// saying a composite of k images), on `threads` threads of its own. A failure of any write
/// fails the next step taken; a cancel (asked of `cancelled`) stops the writes under way, which
/// leave no file, and whatever is destroyed before `finish` leaves only whole files behind.
class SequenceWriter : public StepSink {
public:
  SequenceWriter(SequenceFiles files, int threads, std::function<bool()> cancelled);
  ~SequenceWriter() override;
  SequenceWriter(const SequenceWriter &) = delete;
  SequenceWriter &operator=(const SequenceWriter &) = delete;

  void describe(const std::vector<uint8_t> &iccProfile,
                std::shared_ptr<const PhotoMetadata> metadata) override;
  int picturesHeld() const override { return static_cast<int>(m_threads.size()) + 1; }
  void takeStep(int k, Bitmap picture) override;
  /// Waits until every step taken is written; throws the first failure.
  void finish();

  int64_t width() const { return m_width; }
  int64_t height() const { return m_height; }

private:
  void write();
  void rethrowFailure();

  SequenceFiles m_files;
  std::function<bool()> m_cancelled;
  std::vector<uint8_t> m_profile;
  std::shared_ptr<const PhotoMetadata> m_metadata;
  int64_t m_width = 0;
  int64_t m_height = 0;

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<std::pair<int, Bitmap>> m_waiting;
  int m_writing = 0;
  bool m_stop = false;
  std::exception_ptr m_failure;
  std::vector<std::jthread> m_threads; ///< last: they stop and join before the rest goes
};

} // namespace lumicomb
