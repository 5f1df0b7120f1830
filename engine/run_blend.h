#pragma once
// The one entry point through which a front end asks for a blend.
#include "engine/image_loading.h"
#include "engine/run_mode.h"
#include "engine/window_operations.h"

namespace lumicomb {

/// Blends the sources with the rule the window has chosen into entry 0's FullBitmap, always
/// 24-bit RGB and of image 1's size for the run mode; a preview run then draws it. The rule's
/// boxes are checked before any file is decoded. On failure entry 0 keeps its previous result
/// and no source holds a full-size bitmap.
void RunBlend(ImageSet &set, const RunMode &mode, WindowOperations &window, const PreviewBox &box);

} // namespace lumicomb
