// Whether the names the scan reaches through the module namespace are still those bound at
// start-up: the condition for reading the folders natively (native_scan.cpp).
#pragma once

#include "pyglue/function.hpp"

namespace trakvia::mediadesk {

// Records, once, the objects the scan reaches: `os` and the functions os.walk and os.path reach
// (walk, scandir, stat, lstat, listdir, fspath, path and path's join, isfile, isdir, islink,
// splitext, getmtime, getsize), `re`, `_RE_DJI_INDEX`, `datetime`, `DjiFileSet` and the
// built-ins `sorted`, `int` and `format`. Called at the end of the module's start-up.
void remember_scan_bindings(const pyglue::Globals& g);

// Whether every recorded name still resolves to the recorded object (a name that is deleted or
// shadowed, a module attribute replaced, counts as rebound). Never raises for a missing name.
bool scan_bindings_untouched(const pyglue::Globals& g);

}  // namespace trakvia::mediadesk
