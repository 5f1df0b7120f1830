#pragma once
// Where a save writes, checked before anything is blended, so that a bad output costs no blend.
#include <string>

namespace lumicomb {

/// The file a save of `path` writes: the file a symbolic link leads to, so that the link stays
/// a link. Refuses, naming `path`: a folder or anything but an ordinary file in its place, a
/// folder that does not exist or cannot be written, and a write-protected file, which is never
/// replaced.
std::string checkedSaveTarget(const std::string &path);

} // namespace lumicomb
