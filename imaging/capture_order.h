#pragma once
// Images in the order they were taken: by the moment the camera wrote into each one's EXIF.
#include "imaging/image_set.h"

#include <optional>
#include <string>

namespace lumicomb {

/// When the picture was taken, as text that sorts in time: its EXIF DateTimeOriginal
/// ("2024:08:12 23:41:07") with its SubSecTimeOriginal as a fraction of nine digits. Nothing for
/// a file without one, or one Exiv2 cannot read.
std::optional<std::string> captureTimeOf(const std::string &path);

/// Reorders the set's images by when they were taken; those of the same moment, and those that
/// do not say (after all that do), by their file names. The darks stay as they are.
void sortByTimeTaken(ImageSet &set);

} // namespace lumicomb
