#include "app/sequence_writer.h"

#include "base/errors.h"
#include "output/result_file.h"
#include "output/save_target.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace lumicomb {
namespace {

/// The text as one word of a POSIX shell.
std::string shellWord(const std::string &text) {
  std::string word = "'";
  for (char c : text)
    word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

} // namespace

std::string SequenceFiles::framePath(int k) const {
  char number[16];
  std::snprintf(number, sizeof number, "_%05d.", k);
  return (std::filesystem::path(folder) / (stem + number + extension)).string();
}

std::string SequenceFiles::videoCommand(int64_t width, int64_t height) const {
  const std::string pattern =
      (std::filesystem::path(folder) / (stem + "_%05d." + extension)).string();
  const bool odd = width % 2 != 0 || height % 2 != 0;
  return "ffmpeg -framerate 25 -i " + shellWord(pattern) +
         (odd ? " -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2'" : "") + " -c:v libx264 -pix_fmt yuv420p " +
         shellWord(stem + ".mp4");
}

SequenceFiles sequenceFilesFor(const std::string &folder, const std::string &path,
                               const FileTypeRow &row) {
  const std::filesystem::path output(path);
  SequenceFiles files;
  files.folder = folder;
  files.filterIndex = row.filterIndex;
  std::string extension = output.extension().string();
  if (filterIndexForExtension(path) == row.filterIndex) {
    files.stem = output.stem().string();
    files.extension = extension.substr(1);
  } else {
    files.stem = output.filename().string();
    files.extension = lowerCase(row.extension.substr(1));
  }
  return files;
}

void prepareSequenceFolder(const SequenceFiles &files, int frames) {
  std::error_code error;
  std::filesystem::create_directories(files.folder, error);
  if (error)
    throw LumicombError(ErrorKind::WriteFailed, "cannot make the folder " + quoted(files.folder) +
                                                    " for the time-lapse: " + error.message());
  for (int k = 1; k <= frames; ++k)
    checkedSaveTarget(files.framePath(k));
}

SequenceWriter::SequenceWriter(SequenceFiles files, int threads, std::function<bool()> cancelled)
    : m_files(std::move(files)), m_cancelled(std::move(cancelled)) {
  for (int t = 0; t < std::max(threads, 1); ++t)
    m_threads.emplace_back([this] { write(); });
}

SequenceWriter::~SequenceWriter() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_changed.notify_all();
  m_threads.clear(); // joins; a write under way is cancelled and leaves no file
}

void SequenceWriter::describe(const std::vector<uint8_t> &iccProfile,
                              std::shared_ptr<const PhotoMetadata> metadata) {
  m_profile = iccProfile;
  m_metadata = std::move(metadata);
}

void SequenceWriter::takeStep(int k, Bitmap picture) {
  m_width = widthOf(picture.get());
  m_height = heightOf(picture.get());
  std::unique_lock lock(m_mutex);
  // The run waits while every thread is writing and one more step waits; it asks about a cancel
  // meanwhile, since no yield comes while it waits here.
  while (!m_failure && m_waiting.size() >= 1 && m_writing == static_cast<int>(m_threads.size())) {
    if (m_cancelled && m_cancelled())
      throw LumicombError(ErrorKind::Cancelled, "cancelled");
    m_changed.wait_for(lock, std::chrono::milliseconds(50));
  }
  rethrowFailure();
  m_waiting.emplace_back(k, std::move(picture));
  m_changed.notify_all();
}

void SequenceWriter::finish() {
  std::unique_lock lock(m_mutex);
  while (!m_failure && (!m_waiting.empty() || m_writing > 0)) {
    if (m_cancelled && m_cancelled())
      throw LumicombError(ErrorKind::Cancelled, "cancelled");
    m_changed.wait_for(lock, std::chrono::milliseconds(50));
  }
  rethrowFailure();
}

void SequenceWriter::rethrowFailure() {
  if (m_failure)
    std::rethrow_exception(m_failure);
}

void SequenceWriter::write() {
  const FileTypeRow &row = fileTypeRow(m_files.filterIndex);
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [&] { return m_stop || !m_waiting.empty(); });
    if (m_stop)
      return;
    auto [k, picture] = std::move(m_waiting.front());
    m_waiting.pop_front();
    ++m_writing;
    lock.unlock();
    std::exception_ptr failure;
    try {
      saveResult({std::move(picture), m_profile, m_metadata, k, m_files.withMetadata},
                 m_files.framePath(k), row, m_files.flags, [this] {
                   std::lock_guard stopping(m_mutex);
                   return m_stop || m_failure || (m_cancelled && m_cancelled());
                 });
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    --m_writing;
    if (failure && !m_failure && !m_stop)
      m_failure = failure;
    m_changed.notify_all();
  }
}

} // namespace lumicomb
