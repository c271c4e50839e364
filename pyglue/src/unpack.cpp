// Tuple unpacking of a value into a fixed number of names, with the interpreter's error texts.
#include "pyglue/values.hpp"

namespace pyglue {

std::vector<nb::object> unpack(nb::handle iterable, std::size_t count) {
    PyObject* it = PyObject_GetIter(iterable.ptr());
    if (it == nullptr) {
        if (PyErr_ExceptionMatches(PyExc_TypeError)) {
            PyErr_Clear();
            PyErr_Format(PyExc_TypeError, "cannot unpack non-iterable %.200s object",
                         Py_TYPE(iterable.ptr())->tp_name);
        }
        throw nb::python_error();
    }
    nb::object iter = nb::steal(it);
    std::vector<nb::object> items;
    items.reserve(count);
    while (items.size() < count) {
        PyObject* item = PyIter_Next(iter.ptr());
        if (item == nullptr) {
            if (PyErr_Occurred()) {
                throw nb::python_error();
            }
            PyErr_Format(PyExc_ValueError, "not enough values to unpack (expected %zu, got %zu)",
                         count, items.size());
            throw nb::python_error();
        }
        items.push_back(nb::steal(item));
    }
    PyObject* extra = PyIter_Next(iter.ptr());
    if (extra != nullptr) {
        Py_DECREF(extra);
        PyErr_Format(PyExc_ValueError, "too many values to unpack (expected %zu)", count);
        throw nb::python_error();
    }
    if (PyErr_Occurred()) {
        throw nb::python_error();
    }
    return items;
}

}  // namespace pyglue
