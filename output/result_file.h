#pragma once
// Writing a blend's result as a file of one of the four types: at the depth the type holds, in
// image 1's colour profile, with image 1's metadata made true of the result.
#include "imaging/bitmap.h"
#include "imaging/photo_metadata.h"
#include "output/file_types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumicomb {

struct ResultContents {
  /// 24-bit or 48-bit RGB, as allocateRgb makes them; shared with whoever keeps the result to
  /// look at, and given the colour profile when the file carries one.
  std::shared_ptr<FIBITMAP> picture;
  std::vector<uint8_t> iccProfile; ///< what the samples are in; empty for sRGB, embedded as none
  std::shared_ptr<const PhotoMetadata> metadata; ///< image 1's; null when it had none
  int sources = 0;                               ///< how many images went into the picture
  bool withMetadata = true; ///< false writes the pixels and the colour profile only
};

/// Writes the result atomically (see saveBitmapAtomically) as the row's type: a 48-bit picture
/// rounded to 8 bits for a type that holds no more, the colour profile embedded, and, when asked
/// for, the result's metadata (see resultMetadata) written into the whole file before it is
/// renamed into place. BMP carries neither profile nor metadata. Any failure, of the metadata
/// too, fails naming the path and leaves an existing file as it was.
void saveResult(ResultContents result, const std::string &path, const FileTypeRow &row, int flags,
                const std::function<bool()> &cancelled = {});

} // namespace lumicomb
