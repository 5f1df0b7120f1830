#pragma once
// The versions of the libraries that decode, convert and describe the pictures, for the About box
// and --version: what a bug report needs to name.
#include <string>

namespace lumicomb {

/// "FreeImage 3.18.0, LittleCMS 2.14, Exiv2 0.27.6": the versions running, not those built against.
std::string libraryVersions();

} // namespace lumicomb
