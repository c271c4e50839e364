// The factory: checks a FunctionSpec as a def would be checked and builds the function object.
#include "function_object.hpp"

#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>

namespace pyglue {

using detail::FunctionObject;
using detail::Impl;
using detail::function_vectorcall;

namespace {

// Rejects parameter lists a def could not have.
void check_params(const FunctionSpec& spec) {
    bool seen_keyword_only = false, seen_default = false;
    std::unordered_set<std::string> names;
    for (const Param& p : spec.params) {
        if (!names.insert(p.name).second) {
            throw std::invalid_argument(spec.name + ": duplicate parameter '" + p.name + "'");
        }
        if (p.kind == ParamKind::keyword_only) {
            seen_keyword_only = true;
            continue;
        }
        if (seen_keyword_only) {
            throw std::invalid_argument(spec.name + ": positional parameter '" + p.name + "' after keyword-only ones");
        }
        if (p.default_value.is_valid()) {
            seen_default = true;
        } else if (seen_default) {
            throw std::invalid_argument(spec.name + ": parameter without default '" + p.name + "' follows default argument");
        }
    }
    if (!spec.body) {
        throw std::invalid_argument(spec.name + ": no body");
    }
}

nb::object text_or_none(const std::string& text) {
    if (text.empty()) {
        return nb::none();
    }
    return nb::str(text.c_str(), text.size());
}

}  // namespace

nb::object make_function(nb::handle module, FunctionSpec spec) {
    check_params(spec);
    PyTypeObject* type = detail::function_type();

    nb::object module_dict = nb::borrow(PyModule_GetDict(module.ptr()));
    if (!module_dict.is_valid()) {
        throw nb::python_error();
    }
    PyObject* module_name = PyDict_GetItemWithError(module_dict.ptr(), interned("__name__").ptr());
    if (!module_name && PyErr_Occurred()) {
        throw nb::python_error();
    }

    auto impl = std::make_unique<Impl>();
    impl->body = spec.body;
    nb::dict annotations;
    nb::list defaults;
    nb::dict kwdefaults;
    for (const Param& p : spec.params) {
        PyObject* name = interned(p.name.c_str()).ptr();
        impl->names.push_back(name);
        Py_INCREF(name);
        if (p.kind == ParamKind::positional_or_keyword) {
            ++impl->argcount;
            if (p.default_value.is_valid()) {
                defaults.append(p.default_value);
            }
        } else if (p.default_value.is_valid()) {
            kwdefaults[nb::handle(name)] = p.default_value;
        }
        if (!p.annotation.empty()) {
            annotations[nb::handle(name)] = nb::str(p.annotation.c_str(), p.annotation.size());
        }
    }
    if (!spec.return_annotation.empty()) {
        annotations["return"] = nb::str(spec.return_annotation.c_str(), spec.return_annotation.size());
    }
    const std::string& qualname = spec.qualname.empty() ? spec.name : spec.qualname;

    nb::object name = nb::str(spec.name.c_str(), spec.name.size());
    nb::object qualname_obj = nb::str(qualname.c_str(), qualname.size());
    nb::object doc = text_or_none(spec.doc);
    nb::object defaults_tuple;
    if (nb::len(defaults)) {
        defaults_tuple = nb::steal(PyList_AsTuple(defaults.ptr()));
        if (!defaults_tuple.is_valid()) {
            throw nb::python_error();
        }
    }

    FunctionObject* f = PyObject_GC_New(FunctionObject, type);
    if (!f) {
        throw nb::python_error();
    }
    f->vectorcall = function_vectorcall;
    f->name = name.release().ptr();
    f->qualname = qualname_obj.release().ptr();
    f->module = Py_NewRef(module_name ? module_name : Py_None);
    f->doc = doc.release().ptr();
    f->annotations = annotations.release().ptr();
    f->defaults = defaults_tuple.release().ptr();
    f->kwdefaults = nb::len(kwdefaults) ? kwdefaults.release().ptr() : nullptr;
    f->globals = module_dict.release().ptr();
    f->signature = nullptr;
    f->dict = nullptr;
    f->weakreflist = nullptr;
    f->impl = impl.release();
    PyObject_GC_Track(f);
    return nb::steal(reinterpret_cast<PyObject*>(f));
}

void add_function(nb::handle module, FunctionSpec spec) {
    std::string name = spec.name;
    nb::object fn = make_function(module, std::move(spec));
    if (PyModule_AddObjectRef(module.ptr(), name.c_str(), fn.ptr()) < 0) {
        throw nb::python_error();
    }
}

}  // namespace pyglue
