#pragma once
// Writing a bitmap so that a file appears whole or not at all.
#include <FreeImage.h>

#include <string>

namespace lumicomb {

/// Writes the bitmap to a temporary file in the target's folder and renames
/// it over `path`. An existing file is replaced only by a complete new one and keeps its
/// permissions. Any failure removes the temporary file and names the path and the reason.
void saveBitmapAtomically(FIBITMAP *bitmap, const std::string &path, FREE_IMAGE_FORMAT format,
                          int flags);

} // namespace lumicomb
