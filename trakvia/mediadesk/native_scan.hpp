// The scan's walk read straight from the file system, for when nothing it reaches was rebound.
#pragma once

#include "scan_sets.hpp"

namespace trakvia::mediadesk {

// Opens into `groups` the sets of the media files under `folders`, exactly as the interpreter's
// walk in scan.cpp does (same sets, records, lists in processing order, times, sizes, fallback
// indices), without calling os.walk, os.path or os.stat. Returns false, having done nothing,
// when a name the scan reaches was rebound since start-up or `folders` is not a list of texts;
// the caller then walks with the interpreter.
bool group_natively(const pyglue::Globals& g, nb::handle folders, Groups& groups);

}  // namespace trakvia::mediadesk
