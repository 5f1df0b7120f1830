#pragma once
// Which bitmaps a run blends: the previews "Preview" shows, or the full-size pictures a save
// writes.
namespace lumicomb {

enum class RunMode { Previews, FullSize };

} // namespace lumicomb
