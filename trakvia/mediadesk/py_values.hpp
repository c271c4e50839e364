// Small interpreter-level value operations shared by import, cleanup, playback and the sample card.
#pragma once

#include <Python.h>

#include <nanobind/nanobind.h>

#include <string>

namespace trakvia::mediadesk {

namespace nb = nanobind;

// The interpreter's truth value of `value` (bool(value)); an error from __bool__/__len__
// propagates.
inline bool is_true(nb::handle value) {
    int r = PyObject_IsTrue(value.ptr());
    if (r < 0) {
        throw nb::python_error();
    }
    return r != 0;
}

// `a + b` for two str objects.
inline nb::str concat(nb::handle a, nb::handle b) {
    PyObject* r = PyUnicode_Concat(a.ptr(), b.ptr());
    if (!r) {
        throw nb::python_error();
    }
    return nb::steal<nb::str>(r);
}

inline nb::str concat(nb::handle a, const std::string& b) {
    return concat(a, nb::str(b.c_str(), b.size()));
}

}  // namespace trakvia::mediadesk
