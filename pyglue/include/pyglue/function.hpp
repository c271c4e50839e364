// Python-visible function objects backed by C++ bodies, with a real signature.
//
// A pyglue function behaves like a Python function for callers and tools: it carries
// __name__, __qualname__, __module__, __doc__, __annotations__, __defaults__, __kwdefaults__
// and __globals__ (the module's namespace), inspect.signature() works on it, arguments bind by
// position or keyword, and wrong calls raise TypeError with the interpreter's own wording
// ("f() missing 1 required positional argument: 'x'", "f() takes from 1 to 3 positional
// arguments but 4 were given", "f() got an unexpected keyword argument 'y'",
// "f() got multiple values for argument 'x'").
//
// Modules declare their functions with pyglue::def (def.hpp), which builds the FunctionSpec
// below from one parameter table; make_function turns a spec into the object.
#pragma once

#include <Python.h>

#include <nanobind/nanobind.h>

#include <string>
#include <vector>

#include "pyglue/exceptions.hpp"
#include "pyglue/globals.hpp"

namespace pyglue {

namespace nb = nanobind;

enum class ParamKind { positional_or_keyword, keyword_only };

struct Param {
    std::string name;
    std::string annotation;      // annotation text as it appears in __annotations__; "" for none
    nb::object default_value;    // a null object means "required"
    ParamKind kind = ParamKind::positional_or_keyword;
};

// The C++ body: receives the module namespace and the bound arguments, one per parameter in
// declaration order (defaults already filled in). Returns a new reference as nb::object.
// It may throw nb::python_error (an active Python exception, e.g. from a failed call) or
// nb::builtin_exception; any other C++ exception becomes RuntimeError.
using Body = nb::object (*)(const Globals& globals, const std::vector<nb::object>& args);

struct FunctionSpec {
    std::string name;                    // __name__
    std::string qualname;                // __qualname__; "" means same as name
    std::string doc;                     // __doc__; "" means None
    std::vector<Param> params;
    std::string return_annotation;       // "" for none; stored under 'return' in __annotations__
    Body body = nullptr;
};

// Builds the function object once. Its __module__ is the module's __name__, its __globals__
// the module's __dict__. The caller usually stores it with PyModule_AddObjectRef.
nb::object make_function(nb::handle module, FunctionSpec spec);

// Convenience: build and bind under spec.name in the module.
void add_function(nb::handle module, FunctionSpec spec);

}  // namespace pyglue
