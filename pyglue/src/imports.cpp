// `import` and `from ... import` for module start-up code, through builtins.__import__.
#include "pyglue/imports.hpp"

#include "pyglue/values.hpp"

namespace pyglue {

namespace {

// The ImportError of `from <source> import <name>` when the module has no such attribute.
[[noreturn]] void raise_missing_name(nb::handle source, const char* name) {
    nb::object source_name = nb::getattr(source, "__name__", nb::none());
    PyObject* file = PyModule_GetFilenameObject(source.ptr());
    if (file == nullptr) {
        PyErr_Clear();
    }
    nb::object path = file ? nb::steal(file) : nb::none();
    nb::object shown_name = source_name.is_none() ? nb::str("<unknown module name>") : source_name;
    nb::object message =
        path.is_none()
            ? checked(PyUnicode_FromFormat("cannot import name '%s' from %R (unknown location)", name,
                                           shown_name.ptr()))
            : checked(PyUnicode_FromFormat("cannot import name '%s' from %R (%S)", name, shown_name.ptr(),
                                           path.ptr()));
    PyErr_SetImportError(message.ptr(), source_name.ptr(), path.ptr());
    throw nb::python_error();
}

// The module `from` names, imported by builtins.__import__ as the statement does.
nb::object import_source(const Globals& g, const char* from, std::initializer_list<const char*> names, int level) {
    nb::list fromlist;
    for (const char* name : names) {
        fromlist.append(nb::str(name));
    }
    return g["__import__"](from, g.dict(), nb::none(), nb::tuple(fromlist), level);
}

nb::object attribute_of(nb::handle source, const char* name) {
    PyObject* value = PyObject_GetAttrString(source.ptr(), name);
    if (value == nullptr) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) {
            throw nb::python_error();
        }
        PyErr_Clear();
        raise_missing_name(source, name);
    }
    return nb::steal(value);
}

}  // namespace

void bind(nb::handle module, const char* name, nb::handle value) {
    if (PyModule_AddObjectRef(module.ptr(), name, value.ptr()) < 0) {
        throw nb::python_error();
    }
}

void import_module(nb::handle module, const char* name) {
    bind(module, name, checked(PyImport_ImportModule(name)));
}

void import_from(nb::handle module, const char* from, std::initializer_list<const char*> names, int level) {
    const Globals g(PyModule_GetDict(module.ptr()));
    nb::object source = import_source(g, from, names, level);
    for (const char* name : names) {
        bind(module, name, attribute_of(source, name));
    }
}

nb::object import_name(const Globals& globals, const char* from, const char* name, int level) {
    return attribute_of(import_source(globals, from, {name}, level), name);
}

}  // namespace pyglue
