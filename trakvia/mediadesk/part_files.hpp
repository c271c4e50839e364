// The hidden files an import copies into before a copy gets its real name ("part files"):
// their names, their exclusive creation and the removal of those a killed run left behind.
#pragma once

#include "pyglue/function.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

// A new, empty part file for `name` in `folder`: ".<name>.<pid>.<8 hex>.trakvia-part", the
// name shortened so that the whole stays within 255 bytes. Created exclusively and without
// following a link (O_CREAT|O_EXCL|O_NOFOLLOW; CREATE_NEW on Windows): whatever already has
// the name is never opened. Returns the path and the open descriptor (an int), which the
// caller closes.
std::pair<nb::object, nb::object> create_part_file(const pyglue::Globals& g, nb::handle folder, nb::handle name);

// Removes the part files in `folder` whose process is no longer running: the leftovers of an
// import that was killed. Only regular files whose name has the pattern above (or the older
// ".<name>.<pid>.trakvia-part") are touched; a file that cannot be removed is left alone.
void remove_stale_part_files(const pyglue::Globals& g, nb::handle folder);

}  // namespace trakvia::mediadesk
