#include "imaging/exiv2_setup.h"

#include <exiv2/exiv2.hpp>

#include <mutex>

namespace lumicomb {

void prepareExiv2() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize();
  });
}

} // namespace lumicomb
