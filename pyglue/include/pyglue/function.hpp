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
// Modules declare their functions with pyglue::def (def.hpp) from one parameter table, and
// make_function (def.hpp) turns the definition into the object. This header holds what the
// function object itself needs: the kinds of parameter and the shape of a body.
#pragma once

#include <Python.h>

#include <nanobind/nanobind.h>

#include <vector>

#include "pyglue/exceptions.hpp"
#include "pyglue/globals.hpp"

namespace pyglue {

namespace nb = nanobind;

enum class ParamKind { positional_or_keyword, keyword_only };

// The C++ body as the function object calls it: the module namespace and the bound arguments,
// one per parameter in table order (defaults already filled in); def wraps a body that reads them
// by name. Returns a new reference as nb::object.
// It may throw nb::python_error (an active Python exception, e.g. from a failed call) or
// nb::builtin_exception; any other C++ exception becomes RuntimeError.
using Body = nb::object (*)(const Globals& globals, const std::vector<nb::object>& args);

}  // namespace pyglue
