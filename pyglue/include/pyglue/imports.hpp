// Import statements and name bindings in a module's start-up, as the interpreter runs them.
#pragma once

#include <nanobind/nanobind.h>

#include <initializer_list>

#include "pyglue/globals.hpp"

namespace pyglue {

namespace nb = nanobind;

// `name = value` at module level: binds `value` in the module's namespace.
void bind(nb::handle module, const char* name, nb::handle value);

// `import <name>` for a top-level module, bound under its own name.
void import_module(nb::handle module, const char* name);

// `from <from> import <names...>`, or `from .<from> import ...` with `level` 1. Goes through
// builtins.__import__ as the statement does, so import hooks see it; a missing name raises the
// statement's ImportError("cannot import name 'x' from 'm' (<file or unknown location>)") with
// its `name` and `path`.
void import_from(nb::handle module, const char* from, std::initializer_list<const char*> names, int level = 0);

// `from <from> import <name>` inside a function body: the imported object, bound nowhere; the
// import and its errors as in import_from, relative to the module whose namespace `globals` is.
nb::object import_name(const Globals& globals, const char* from, const char* name, int level = 0);

}  // namespace pyglue
