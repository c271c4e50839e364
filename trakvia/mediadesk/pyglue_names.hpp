// The pyglue helpers the mediadesk function bodies call by their short names.
#pragma once

#include "pyglue/globals.hpp"
#include "pyglue/values.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

using pyglue::checked;   // a C API result, or its Python error thrown
using pyglue::concat;    // str + str
using pyglue::contains;  // `item in container`
using pyglue::interned;  // the interned str of an attribute, method or keyword name
using pyglue::is_true;   // bool(value)
using pyglue::os_path;   // the module's os.path at the moment of the call

}  // namespace trakvia::mediadesk
