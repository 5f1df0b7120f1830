#pragma once
// A quick look at a file before it joins the image set: can it be opened and decoded at all?
#include <optional>
#include <string>

namespace lumicomb {

/// Nothing when the file looks like an image FreeImage can decode; otherwise why not, in words
/// fit for a message (for example "no such file", "not an image file FreeImage can decode").
/// Reads the header only, so it is quick even for large photographs.
std::optional<std::string> unreadableReason(const std::string &path);

} // namespace lumicomb
