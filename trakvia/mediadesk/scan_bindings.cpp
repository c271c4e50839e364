// The objects the scan reaches through the module namespace, recorded at start-up and compared
// by identity before every native scan.
#include "scan_bindings.hpp"

#include <vector>

namespace trakvia::mediadesk {

namespace {

namespace nb = nanobind;

// Names looked up as the module's code looks them up: its namespace, then the built-ins.
const char* const kNamespaceNames[] = {"os", "re", "datetime", "_RE_DJI_INDEX", "DjiFileSet",
                                       "sorted", "int", "format"};
// Attributes of the `os` module: what the scan calls, and what os.walk calls through os.
const char* const kOsNames[] = {"walk", "scandir", "stat", "lstat", "listdir", "fspath", "path"};
// Attributes of os.path: what the scan and os.walk call.
const char* const kOsPathNames[] = {"join", "isfile", "isdir", "islink", "splitext", "getmtime", "getsize"};

// The recorded objects, in the order the three lists give; empty when start-up found a name
// missing (the native scan is then never used). Kept for the life of the process, as the module
// itself is: it cannot be initialised twice.
std::vector<nb::object>* recorded = nullptr;

// What `name` resolves to in the namespace, or null.
nb::object lookup(nb::handle dict, const char* name) {
    PyObject* value = PyDict_GetItemString(dict.ptr(), name);
    if (!value) {
        value = PyDict_GetItemString(PyEval_GetBuiltins(), name);
    }
    return nb::borrow(value);
}

// `owner.name`, or null.
nb::object attribute(nb::handle owner, const char* name) {
    PyObject* value = owner ? PyObject_GetAttrString(owner.ptr(), name) : nullptr;
    if (!value) {
        PyErr_Clear();
    }
    return nb::steal(value);
}

// Visits the objects in recording order until `visit` returns false; `os` and `os.path` are taken
// from `recorded_so_far` once their places are passed, so that an object put in the namespace in
// place of `os` is never asked for attributes (which could run its code).
template <class Visit>
bool visit_bindings(const pyglue::Globals& g, const std::vector<nb::object>& recorded_so_far, Visit visit) {
    size_t i = 0;
    for (const char* name : kNamespaceNames) {
        if (!visit(i++, lookup(g.dict(), name))) {
            return false;
        }
    }
    const size_t os_at = 0;
    for (const char* name : kOsNames) {
        if (!visit(i++, attribute(recorded_so_far[os_at], name))) {
            return false;
        }
    }
    const size_t os_path_at = i - 1;
    for (const char* name : kOsPathNames) {
        if (!visit(i++, attribute(recorded_so_far[os_path_at], name))) {
            return false;
        }
    }
    return true;
}

}  // namespace

void remember_scan_bindings(const pyglue::Globals& g) {
    auto* objects = new std::vector<nb::object>();
    const bool complete = visit_bindings(g, *objects, [&](size_t, nb::object value) {
        objects->push_back(value);
        return value.is_valid();
    });
    if (!complete) {
        objects->clear();
    }
    recorded = objects;
}

bool scan_bindings_untouched(const pyglue::Globals& g) {
    if (!recorded || recorded->empty()) {
        return false;
    }
    return visit_bindings(g, *recorded, [](size_t i, nb::object value) { return value.is((*recorded)[i]); });
}

}  // namespace trakvia::mediadesk
