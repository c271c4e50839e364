// The factory: a Definition, with its defaults made into objects, becomes the function object.
#include "function_object.hpp"

#include "pyglue/def.hpp"

#include <memory>
#include <stdexcept>

namespace pyglue {

using detail::FunctionObject;
using detail::Impl;
using detail::ParamRow;
using detail::function_vectorcall;

namespace {

// The object a table's default stands for; `next_supplied` walks the supplied defaults in order.
nb::object default_object(const DefaultValue& d, const nb::handle*& next_supplied, const nb::handle* end) {
    switch (d.kind) {
        case DefaultValue::Kind::required: return nb::object();
        case DefaultValue::Kind::none: return nb::none();
        case DefaultValue::Kind::text: return nb::str(d.text);
        case DefaultValue::Kind::boolean: return nb::bool_(d.number != 0);
        case DefaultValue::Kind::integer: return nb::int_(d.number);
        case DefaultValue::Kind::supplied:
            if (next_supplied == end) {
                throw std::invalid_argument("fewer supplied defaults than the parameter table names");
            }
            return nb::borrow(*next_supplied++);
    }
    return nb::object();
}

std::vector<ParamRow> rows_of(const Definition& definition, std::initializer_list<nb::handle> supplied) {
    std::vector<ParamRow> rows;
    rows.reserve(definition.params.size());
    const nb::handle* next_supplied = supplied.begin();
    for (const ParamDef& p : definition.params) {
        rows.push_back({p.name, p.annotation, default_object(p.default_value, next_supplied, supplied.end()), p.kind});
    }
    if (next_supplied != supplied.end()) {
        throw std::invalid_argument("more supplied defaults than the parameter table names");
    }
    return rows;
}

// The text as a str, or None for "".
nb::object text_or_none(const char* text) { return *text ? nb::object(nb::str(text)) : nb::none(); }

}  // namespace

nb::object detail::build_function(nb::handle module, const FunctionInfo& info, const std::vector<ParamRow>& params,
                                  Body body) {
    PyTypeObject* type = function_type();

    nb::object module_dict = nb::borrow(PyModule_GetDict(module.ptr()));
    if (!module_dict.is_valid()) {
        throw nb::python_error();
    }
    PyObject* module_name = PyDict_GetItemWithError(module_dict.ptr(), interned("__name__").ptr());
    if (!module_name && PyErr_Occurred()) {
        throw nb::python_error();
    }

    auto impl = std::make_unique<Impl>();
    impl->body = body;
    nb::dict annotations;
    nb::list defaults;
    nb::dict kwdefaults;
    for (const ParamRow& p : params) {
        PyObject* name = interned(p.name).ptr();
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
        if (*p.annotation) {
            annotations[nb::handle(name)] = nb::str(p.annotation);
        }
    }
    if (*info.returns) {
        annotations["return"] = nb::str(info.returns);
    }

    nb::object name = nb::str(info.name);
    nb::object qualname = nb::str(*info.qualname ? info.qualname : info.name);
    nb::object doc = text_or_none(info.doc);
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
    f->qualname = qualname.release().ptr();
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

nb::object make_function(nb::handle module, const Definition& definition, std::initializer_list<nb::handle> supplied) {
    return detail::build_function(module, definition.info, rows_of(definition, supplied), definition.body);
}

void add_function(nb::handle module, const Definition& definition, std::initializer_list<nb::handle> supplied) {
    nb::object fn = make_function(module, definition, supplied);
    if (PyModule_AddObjectRef(module.ptr(), definition.info.name, fn.ptr()) < 0) {
        throw nb::python_error();
    }
}

}  // namespace pyglue
