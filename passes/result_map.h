#pragma once
// A run's map: what each pixel of the result came from, of the kind the rule's registry row names.
#include "imaging/bitmap.h"
#include "rules/rule_registry.h"

namespace lumicomb {

struct ResultMap {
  MapKind kind = MapKind::None;
  /// One 16-bit value per pixel of the result (FIT_UINT16, rows in the result's order): the
  /// 1-based frame number, or the count of rejected samples. Empty without a map.
  Bitmap picture;
  int sources = 0; ///< how many images the run blended: frame numbers run from 1 to this
};

} // namespace lumicomb
