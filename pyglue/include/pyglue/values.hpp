// Checked C API results, the interpreter's truth and membership tests, str concatenation and
// unpacking, for the module bodies.
#pragma once

#include <Python.h>

#include <nanobind/nanobind.h>

#include <cstddef>
#include <string>
#include <vector>

namespace pyglue {

namespace nb = nanobind;

// Throws nb::python_error when `result` is null (a failed C API call); otherwise steals it.
inline nb::object checked(PyObject* result) {
    if (result == nullptr) {
        throw nb::python_error();
    }
    return nb::steal(result);
}

// The interpreter's truth value of `value` (bool(value)); an error from __bool__/__len__
// propagates.
inline bool is_true(nb::handle value) {
    const int r = PyObject_IsTrue(value.ptr());
    if (r < 0) {
        throw nb::python_error();
    }
    return r != 0;
}

// `item in container`, with the interpreter's own membership test.
inline bool contains(nb::handle container, nb::handle item) {
    const int r = PySequence_Contains(container.ptr(), item.ptr());
    if (r < 0) {
        throw nb::python_error();
    }
    return r != 0;
}

// `a + b` for two str objects.
inline nb::str concat(nb::handle a, nb::handle b) {
    return nb::borrow<nb::str>(checked(PyUnicode_Concat(a.ptr(), b.ptr())));
}

// `a + b` for a str object and UTF-8 text.
inline nb::str concat(nb::handle a, const std::string& b) { return concat(a, nb::str(b.c_str(), b.size())); }

// `a, b, c = iterable`: exactly `count` items, or the interpreter's own ValueError or TypeError
// texts ("not enough values to unpack (expected 3, got 2)", ...).
std::vector<nb::object> unpack(nb::handle iterable, std::size_t count);

}  // namespace pyglue
