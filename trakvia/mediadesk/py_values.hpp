// Small interpreter-level value operations shared by import, cleanup, playback and the sample card.
#pragma once

#include <Python.h>

#include <nanobind/nanobind.h>

#include "pyglue/values.hpp"

#include <string>

namespace trakvia::mediadesk {

namespace nb = nanobind;

using pyglue::is_true;

// `a + b` for two str objects.
inline nb::str concat(nb::handle a, nb::handle b) {
    return nb::borrow<nb::str>(pyglue::checked(PyUnicode_Concat(a.ptr(), b.ptr())));
}

inline nb::str concat(nb::handle a, const std::string& b) {
    return concat(a, nb::str(b.c_str(), b.size()));
}

}  // namespace trakvia::mediadesk
