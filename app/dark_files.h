#pragma once
// Naming the darks of a run: files, or folders that stand for every picture in them.
#include "imaging/image_set.h"

#include <string>
#include <vector>

namespace lumicomb {

/// Adds each path to the set's darks: a file as it is, a folder as every picture in it (by the
/// extension of a format Lumicomb reads, in any case; hidden files left out), in name order.
/// A folder without any picture fails, naming it.
void addDarkFiles(ImageSet &set, const std::vector<std::string> &paths);

} // namespace lumicomb
