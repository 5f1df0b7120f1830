#include "align/opencv_module.h"

extern "C" const lumicomb::OpenCvFunctions *lumicombOpenCvFunctions() {
  static const lumicomb::OpenCvFunctions functions{lumicomb::opencv::greyCopy,
                                                   lumicomb::opencv::estimateAlignment,
                                                   lumicomb::opencv::warpIntoFrame};
  return &functions;
}
