#include "blend/pass_sources.h"

#include "engine/errors.h"

#include <algorithm>

namespace lumicomb {
namespace {

std::string sizeText(int64_t width, int64_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

} // namespace

PictureSize sizeOf(const FIBITMAP *bitmap) { return {widthOf(bitmap), heightOf(bitmap)}; }

void loadSource(const PassContext &context, int i) {
  ImageEntry &entry = context.set.entry(i);
  if (context.mode.usesPreviews()) {
    if (!entry.PreviewBitmap)
      makePreview(context.set, i, context.box);
  } else if (!entry.FullBitmap) {
    LoadFullImage(context.set, i);
  }
}

const FIBITMAP *loadedSource(const PassContext &context, int i) {
  const ImageEntry &entry = context.set.entry(i);
  return context.mode.usesPreviews() ? entry.PreviewBitmap.get() : entry.FullBitmap.get();
}

void requireSameSize(const PassContext &context, int i, PictureSize expected) {
  const ImageEntry &first = context.set.entry(1);
  const ImageEntry &entry = context.set.entry(i);
  if (entry.PixelWidth != first.PixelWidth || entry.PixelHeight != first.PixelHeight)
    throw LumicombError(ErrorKind::SizeMismatch, quoted(context.set.imagePath(i)) + " is " +
                                                     sizeText(entry.PixelWidth, entry.PixelHeight) +
                                                     " pixels, but " +
                                                     quoted(context.set.imagePath(1)) + " is " +
                                                     sizeText(first.PixelWidth, first.PixelHeight));
  // Previews made earlier under other preview settings can differ although the photographs agree.
  const PictureSize actual = sizeOf(loadedSource(context, i));
  if (actual.width != expected.width || actual.height != expected.height)
    throw LumicombError(ErrorKind::SizeMismatch,
                        "the preview of " + quoted(context.set.imagePath(i)) + " is " +
                            sizeText(actual.width, actual.height) + " pixels, not " +
                            sizeText(expected.width, expected.height));
}

SourceRelease::~SourceRelease() {
  for (int i = 1; i <= m_set.sourceCount(); ++i)
    m_set.entry(i).FullBitmap.reset();
}

FirstSourceGate::Arrival FirstSourceGate::arrive(int i) {
  std::unique_lock lock(m_mutex);
  if (m_state == State::Waiting && m_queued.size() < m_queueLimit) {
    m_queued.push_back(i);
    return Arrival::Queued;
  }
  m_changed.wait(lock, [&] { return m_state != State::Waiting; });
  return m_state == State::Open ? Arrival::GatherNow : Arrival::Abandon;
}

std::vector<int> FirstSourceGate::open(PictureSize size) {
  std::lock_guard lock(m_mutex);
  m_size = size;
  m_state = State::Open;
  m_changed.notify_all();
  std::sort(m_queued.begin(), m_queued.end());
  return std::move(m_queued);
}

void FirstSourceGate::fail() {
  std::lock_guard lock(m_mutex);
  m_state = State::Failed;
  m_changed.notify_all();
}

void SourceFailures::record(int i, std::exception_ptr failure) {
  std::lock_guard lock(m_mutex);
  if (!m_failure || i < m_source) {
    m_source = i;
    m_failure = std::move(failure);
  }
}

void SourceFailures::rethrowLowest(std::exception_ptr other) {
  std::lock_guard lock(m_mutex);
  std::rethrow_exception(m_failure ? m_failure : other);
}

} // namespace lumicomb
