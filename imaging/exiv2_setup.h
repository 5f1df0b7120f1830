#pragma once
// Exiv2 prints its complaints to the terminal unless told otherwise, and its XMP parser must be
// set up once before threads use it; everything that calls Exiv2 calls this first.
namespace lumicomb {

void prepareExiv2();

} // namespace lumicomb
