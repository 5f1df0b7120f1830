// lumicomb-decode-floor: decodes the given files on all cores and does nothing else. Its time is
// the floor that a blend of the same files is measured against.
#include "base/parallel_for.h"
#include "imaging/image_decoding.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char *argv[]) {
  const std::vector<std::string> files(argv + 1, argv + argc);
  try {
    lumicomb::parallelFor(static_cast<int64_t>(files.size()), [&](int64_t i) {
      lumicomb::decodeImageFile(files[static_cast<size_t>(i)]);
    });
  } catch (const std::exception &failure) {
    std::cerr << "lumicomb-decode-floor: " << failure.what() << "\n";
    return 1;
  }
  return 0;
}
