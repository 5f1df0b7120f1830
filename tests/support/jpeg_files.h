#pragma once
// JPEG files written and read with libjpeg itself, so that a test's expected samples do not come
// from the decoder under test.
#include "support/test_images.h"

#include <string>

namespace lumicomb::test {

struct JpegLayout {
  int components = 3; ///< 1 grey, 3 YCbCr, 4 CMYK
  /// Sampling factors of the first component against the others': 2x2 is 4:2:0, 2x1 4:2:2.
  int horizontalSampling = 2;
  int verticalSampling = 2;
  bool progressive = false;
};

/// Writes the picture at quality 95; grey takes the red samples, CMYK takes red, green and blue
/// as C, M and Y and their mean as K.
void writeJpeg(const Picture &picture, const std::string &path, const JpegLayout &layout);

/// libjpeg's accurate decode (the integer transform and smooth chroma upsampling), grey spread to
/// three channels, CMYK made RGB as the image library makes it: each of C, M and Y times K / 255.
Picture readJpegAccurately(const std::string &path);

} // namespace lumicomb::test
