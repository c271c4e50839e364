// The interned-name cache and LOAD_GLOBAL-style look-ups in a module namespace.
#include "pyglue/globals.hpp"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace pyglue {

namespace {

// Keyed by content, not by pointer, so callers may pass any buffer.
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

}  // namespace

nb::handle interned(const char* text) {
    // Lives as long as the process, as interned strings do.
    static std::unordered_map<std::string, PyObject*, NameHash, std::equal_to<>> cache;
    const std::string_view key(text);
    if (auto it = cache.find(key); it != cache.end()) {
        return it->second;
    }
    PyObject* s = PyUnicode_InternFromString(text);
    if (!s) {
        throw nb::python_error();
    }
    cache.emplace(std::string(key), s);
    return s;
}

nb::object Globals::operator[](const char* name) const { return (*this)[interned(name)]; }

nb::object Globals::operator[](nb::handle name) const {
    PyObject* value = PyDict_GetItemWithError(dict_.ptr(), name.ptr());
    if (!value) {
        if (PyErr_Occurred()) {
            throw nb::python_error();
        }
        PyObject* builtins = PyEval_GetBuiltins();  // borrowed; the interpreter's builtins dict
        value = builtins ? PyDict_GetItemWithError(builtins, name.ptr()) : nullptr;
        if (!value) {
            if (!PyErr_Occurred()) {
                PyErr_Format(PyExc_NameError, "name '%U' is not defined", name.ptr());
            }
            throw nb::python_error();
        }
    }
    return nb::borrow(value);
}

}  // namespace pyglue
