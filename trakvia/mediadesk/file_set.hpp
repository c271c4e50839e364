// DjiFileSet: the record of one numbered media file set.
#pragma once

#include "pyglue/function.hpp"

namespace trakvia::mediadesk {

// Builds the class and applies the module's `dataclass` to it; `g` is the module namespace,
// which must already hold `dataclass`, `field` and `datetime`.
nanobind::object make_dji_file_set_class(const pyglue::Globals& g);

}  // namespace trakvia::mediadesk
