#include "output/result_file.h"

#include "output/atomic_save.h"
#include "output/eight_bit_copy.h"
#include "output/metadata_writing.h"
#include "output/result_metadata.h"

#include <new>

namespace lumicomb {
namespace {

void embedProfile(FIBITMAP *picture, const std::vector<uint8_t> &profile) {
  const long size = static_cast<long>(profile.size());
  const FIICCPROFILE *embedded =
      FreeImage_CreateICCProfile(picture, const_cast<uint8_t *>(profile.data()), size);
  if (!embedded || embedded->size != size)
    throw std::bad_alloc();
}

} // namespace

void saveResult(ResultContents result, const std::string &path, const FileTypeRow &row, int flags,
                const std::function<bool()> &cancelled) {
  const SampleDepth depth = depthOf(result.picture.get());
  if (writtenDepth(row, depth) != depth)
    result.picture = eightBitCopy(result.picture.get());
  if (row.carriesMetadata && !result.iccProfile.empty())
    embedProfile(result.picture.get(), result.iccProfile);
  SaveSteps steps;
  steps.cancelled = cancelled;
  if (row.carriesMetadata && result.withMetadata) {
    const ResultFacts facts{widthOf(result.picture.get()), heightOf(result.picture.get()),
                            result.sources};
    steps.finish = [&result, facts](const std::string &temporaryPath) {
      const ResultMetadata metadata = resultMetadata(result.metadata.get(), facts);
      // The pixels are in the file by now, and Exiv2 holds the file twice over.
      result.picture.reset();
      writeMetadataIntoFile(temporaryPath, metadata);
    };
  }
  saveBitmapAtomically(result.picture.get(), path, row.format, flags, steps);
}

} // namespace lumicomb
