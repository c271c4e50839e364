// What the commands read from the parsed command line.
#pragma once

#include "pyglue/globals.hpp"

namespace trakvia::app {

namespace nb = nanobind;

// `value or ""`: a missing or empty filter becomes the empty text.
nb::object text_or_empty(nb::handle value);

// Whether the input path named on the command line is missing; then it says so on standard
// error ("<what> bulunamadı: '<path>'") and the command ends with 1 before creating anything.
bool input_is_missing(const pyglue::Globals& g, nb::handle path, const char* what);

}  // namespace trakvia::app
