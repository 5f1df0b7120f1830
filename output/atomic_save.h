#pragma once
// Writing a bitmap so that a file appears whole or not at all.
#include <FreeImage.h>

#include <functional>
#include <string>

namespace lumicomb {

/// Writes the bitmap to a temporary file beside the target (see checkedSaveTarget) and renames
/// it over the target once every byte is written and on disk. An existing file is replaced only
/// by a complete new one and keeps its permissions. Any failure, and a cancel (`cancelled` is
/// asked at every write and before the rename), removes the temporary file, leaves any existing
/// file as it was and fails naming the path and the reason; a cancel fails as Cancelled.
void saveBitmapAtomically(FIBITMAP *bitmap, const std::string &path, FREE_IMAGE_FORMAT format,
                          int flags, const std::function<bool()> &cancelled = {});

} // namespace lumicomb
