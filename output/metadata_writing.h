#pragma once
// Putting a result's metadata into its finished file.
#include "output/result_metadata.h"

#include <string>

namespace lumicomb {

/// Replaces the EXIF, IPTC and XMP of the JPEG, TIFF or PNG file at `path` with `metadata`,
/// keeping its pixels and colour profile. Exiv2 rewrites the file in memory, and every byte of
/// the new file is written back checked, so that a full disk fails here instead of leaving a
/// shortened file. Throws std::exception with the reason in words.
void writeMetadataIntoFile(const std::string &path, const ResultMetadata &metadata);

} // namespace lumicomb
