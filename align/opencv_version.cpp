#include "align/opencv_version.h"

#include <opencv2/core/version.hpp>

namespace lumicomb {

std::string openCvVersion() { return "OpenCV " CV_VERSION; }

} // namespace lumicomb
