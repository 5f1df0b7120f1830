#pragma once
// Which OpenCV the alignment runs on, for the programs' version texts.
#include <string>

namespace lumicomb {

/// "OpenCV 4.6.0"
std::string openCvVersion();

} // namespace lumicomb
