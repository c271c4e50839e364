// Module-level name look-ups as compiled Python code does them, and the interned-name cache.
#pragma once

#include <Python.h>

#include <nanobind/nanobind.h>

namespace pyglue {

namespace nb = nanobind;

// LOAD_GLOBAL semantics over one module namespace: the module's dict first, then builtins,
// else NameError("name 'x' is not defined"). Looked up afresh on every call, so rebinding a
// module attribute changes what later calls use.
class Globals {
public:
    explicit Globals(nb::handle module_dict) : dict_(module_dict) {}
    nb::object operator[](const char* name) const;
    nb::object operator[](nb::handle name) const;  // `name` must be a str
    nb::handle dict() const { return dict_; }

private:
    nb::handle dict_;
};

// The interned str for `text`, made once per process and kept (as interned strings are). Use it
// for attribute and method names in hot paths: the interpreter's attribute caches key on
// interned names, and no temporary string is built per call.
nb::handle interned(const char* text);

}  // namespace pyglue
