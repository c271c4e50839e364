// The layout of a pyglue function object, shared by the files that implement its parts:
// argument binding and the call, the signature, the type's slots, and the factory.
#pragma once

#include "pyglue/function.hpp"

#include <vector>

namespace pyglue::detail {

// What the C++ side knows about a function and Python code cannot change. It owns one reference
// to each name, released with it, so that no early exit while building a function leaks them.
struct Impl {
    std::vector<PyObject*> names;  // interned parameter names, owned; positional ones first
    Py_ssize_t argcount = 0;       // positional-or-keyword parameters
    Body body = nullptr;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() {
        for (PyObject* n : names) {
            Py_DECREF(n);
        }
    }
};

struct FunctionObject {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    PyObject* name;
    PyObject* qualname;
    PyObject* module;
    PyObject* doc;
    PyObject* annotations;  // dict, or null until asked for
    PyObject* defaults;     // tuple, or null for none
    PyObject* kwdefaults;   // dict, or null for none
    PyObject* globals;
    PyObject* signature;    // built on first request; reset when what it shows changes
    PyObject* dict;
    PyObject* weakreflist;
    Impl* impl;
};

inline FunctionObject* as_function(PyObject* self) { return reinterpret_cast<FunctionObject*>(self); }

// The object's vectorcall: binds the arguments and runs the body (argument_binding.cpp).
PyObject* function_vectorcall(PyObject* self, PyObject* const* args, size_t nargsf, PyObject* kwnames);

// A new inspect.Signature for the function as its attributes stand now (signature.cpp).
PyObject* build_signature(FunctionObject* f);

// The function type, created on first use and kept for the life of the process (function_type.cpp).
PyTypeObject* function_type();

}  // namespace pyglue::detail
