// Small helpers the mediadesk functions share: parameter specs, os.path, str joins, filter texts.
// The filter rules themselves are in filters.hpp.
#pragma once

#include "pyglue/function.hpp"
#include "pyglue/values.hpp"

#include <string>
#include <utility>
#include <vector>

namespace trakvia::mediadesk {

namespace nb = nanobind;

// A positional-or-keyword parameter; a null `default_value` makes it required.
inline pyglue::Param param(std::string name, std::string annotation, nb::object default_value = nb::object()) {
    pyglue::Param p;
    p.name = std::move(name);
    p.annotation = std::move(annotation);
    p.default_value = std::move(default_value);
    return p;
}

// A function spec: name, parameters, return annotation, body and docstring ("" for none).
inline pyglue::FunctionSpec function_spec(const char* name, std::vector<pyglue::Param> params,
                                          const char* return_annotation, pyglue::Body body, const char* doc = "") {
    pyglue::FunctionSpec spec;
    spec.name = name;
    spec.doc = doc;
    spec.params = std::move(params);
    spec.return_annotation = return_annotation;
    spec.body = body;
    return spec;
}

// The interned name object for an attribute, method or keyword name (see pyglue::interned).
inline nb::handle py_name(const char* text) { return pyglue::interned(text); }

// Checked C API results, truth and membership tests: pyglue/values.hpp.
using pyglue::checked;
using pyglue::contains;
using pyglue::is_true;

// `a + b` for two str objects.
inline nb::str concat(nb::handle a, nb::handle b) {
    return nb::borrow<nb::str>(checked(PyUnicode_Concat(a.ptr(), b.ptr())));
}

inline nb::str concat(nb::handle a, const std::string& b) {
    return concat(a, nb::str(b.c_str(), b.size()));
}

// `os.path` as the module's `os` name gives it at this moment.
inline nb::object os_path(const pyglue::Globals& g) { return g["os"].attr(py_name("path")); }

// Whether `path` is a regular file itself, not a link to one nor a folder or device (os.lstat);
// a path that cannot be examined is none.
inline bool is_plain_file(const pyglue::Globals& g, nb::handle path) {
    constexpr long kTypeMask = 0170000, kRegular = 0100000;  // S_IFMT, S_IFREG: the same on Windows
    try {
        const long mode = nb::cast<long>(g["os"].attr(py_name("lstat"))(path).attr(py_name("st_mode")));
        return (mode & kTypeMask) == kRegular;
    } catch (const nb::python_error& e) {
        if (!e.matches(PyExc_OSError)) {
            throw;
        }
        return false;
    }
}

// `(text or "").strip()`: the filter texts accept None and surrounding white space.
inline nb::object stripped_text(nb::handle text) {
    nb::object s = is_true(text) ? nb::borrow(text) : nb::str("");
    return s.attr("strip")();
}

}  // namespace trakvia::mediadesk
