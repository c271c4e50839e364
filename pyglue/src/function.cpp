// The pyglue function type: a C++ body behind an object that binds and reports like a def.
#include "pyglue/function.hpp"

#include <structmember.h>

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace pyglue {

namespace {

// Interned name objects, shared by every lookup of the same text. Keyed by content, not by
// pointer, so callers may pass any buffer. Lives as long as the process (as interned strings do).
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

PyObject* interned_name(const char* name) {
    static std::unordered_map<std::string, PyObject*, NameHash, std::equal_to<>> cache;
    const std::string_view key(name);
    if (auto it = cache.find(key); it != cache.end()) {
        return it->second;
    }
    PyObject* s = PyUnicode_InternFromString(name);
    if (!s) {
        throw nb::python_error();
    }
    cache.emplace(std::string(key), s);
    return s;
}

}  // namespace

nb::handle interned(const char* text) { return interned_name(text); }

nb::object Globals::operator[](const char* name) const {
    return (*this)[nb::handle(interned_name(name))];
}

nb::object Globals::operator[](nb::handle name) const {
    PyObject* value = PyDict_GetItemWithError(dict_.ptr(), name.ptr());
    if (!value) {
        if (PyErr_Occurred()) {
            throw nb::python_error();
        }
        PyObject* builtins = PyEval_GetBuiltins();  // borrowed; the interpreter's builtins dict
        value = builtins ? PyDict_GetItemWithError(builtins, name.ptr()) : nullptr;
        if (!value) {
            if (!PyErr_Occurred()) {
                PyErr_Format(PyExc_NameError, "name '%U' is not defined", name.ptr());
            }
            throw nb::python_error();
        }
    }
    return nb::borrow(value);
}

namespace {

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

PyObject* function_type = nullptr;

FunctionObject* as_function(PyObject* self) { return reinterpret_cast<FunctionObject*>(self); }

// ---- argument binding, following the interpreter's own rules and messages ----

PyObject* repr_list_text(const std::vector<PyObject*>& names) {
    // "'a'", "'a' and 'b'", "'a', 'b', and 'c'"
    std::vector<nb::object> reprs;
    for (PyObject* n : names) {
        PyObject* r = PyObject_Repr(n);
        if (!r) {
            return nullptr;
        }
        reprs.push_back(nb::steal(r));
    }
    const size_t len = reprs.size();
    if (len == 1) {
        return reprs[0].release().ptr();
    }
    if (len == 2) {
        return PyUnicode_FromFormat("%U and %U", reprs[0].ptr(), reprs[1].ptr());
    }
    nb::object head = nb::steal(PyUnicode_FromString(""));
    for (size_t i = 0; i + 2 < len; ++i) {
        PyObject* joined = PyUnicode_FromFormat(i == 0 ? "%U%U" : "%U, %U", head.ptr(), reprs[i].ptr());
        if (!joined) {
            return nullptr;
        }
        head = nb::steal(joined);
    }
    return PyUnicode_FromFormat("%U, %U, and %U", head.ptr(), reprs[len - 2].ptr(), reprs[len - 1].ptr());
}

void missing_arguments(FunctionObject* f, const std::vector<PyObject*>& names, const char* kind) {
    PyObject* text = repr_list_text(names);
    if (!text) {
        return;
    }
    PyErr_Format(PyExc_TypeError, "%U() missing %zd required %s argument%s: %U", f->qualname,
                 (Py_ssize_t)names.size(), kind, names.size() == 1 ? "" : "s", text);
    Py_DECREF(text);
}

void too_many_positional(FunctionObject* f, Py_ssize_t given, const std::vector<nb::object>& slots) {
    const Impl& impl = *f->impl;
    Py_ssize_t kwonly_given = 0;
    for (size_t i = (size_t)impl.argcount; i < slots.size(); ++i) {
        kwonly_given += slots[i].is_valid() ? 1 : 0;
    }
    const Py_ssize_t defcount = f->defaults ? PyTuple_GET_SIZE(f->defaults) : 0;
    nb::object sig;
    bool plural;
    if (defcount) {
        plural = true;
        sig = nb::steal(PyUnicode_FromFormat("from %zd to %zd", impl.argcount - defcount, impl.argcount));
    } else {
        plural = impl.argcount != 1;
        sig = nb::steal(PyUnicode_FromFormat("%zd", impl.argcount));
    }
    if (!sig.is_valid()) {
        return;
    }
    nb::object kwonly_sig =
        nb::steal(kwonly_given ? PyUnicode_FromFormat(" positional argument%s (and %zd keyword-only argument%s)",
                                                      given != 1 ? "s" : "", kwonly_given,
                                                      kwonly_given != 1 ? "s" : "")
                               : PyUnicode_FromString(""));
    if (!kwonly_sig.is_valid()) {
        return;
    }
    PyErr_Format(PyExc_TypeError, "%U() takes %U positional argument%s but %zd%U %s given", f->qualname,
                 sig.ptr(), plural ? "s" : "", given, kwonly_sig.ptr(),
                 given == 1 && !kwonly_given ? "was" : "were");
}

// Fills one slot per parameter; false with TypeError set when the call does not fit.
bool bind_arguments(FunctionObject* f, PyObject* const* args, Py_ssize_t argcount, PyObject* kwnames,
                    std::vector<nb::object>& slots) {
    const Impl& impl = *f->impl;
    const Py_ssize_t total = (Py_ssize_t)impl.names.size();
    const Py_ssize_t n = argcount > impl.argcount ? impl.argcount : argcount;
    for (Py_ssize_t j = 0; j < n; ++j) {
        slots[j] = nb::borrow(args[j]);
    }

    const Py_ssize_t kwcount = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t i = 0; i < kwcount; ++i) {
        PyObject* keyword = PyTuple_GET_ITEM(kwnames, i);
        if (!PyUnicode_Check(keyword)) {
            PyErr_Format(PyExc_TypeError, "%U() keywords must be strings", f->qualname);
            return false;
        }
        Py_ssize_t j = 0;
        for (; j < total && impl.names[j] != keyword; ++j) {
        }
        if (j == total) {  // not interned: compare by value
            for (j = 0; j < total; ++j) {
                int cmp = PyObject_RichCompareBool(keyword, impl.names[j], Py_EQ);
                if (cmp < 0) {
                    return false;
                }
                if (cmp > 0) {
                    break;
                }
            }
        }
        if (j == total) {
            PyErr_Format(PyExc_TypeError, "%U() got an unexpected keyword argument '%S'", f->qualname, keyword);
            return false;
        }
        if (slots[j].is_valid()) {
            PyErr_Format(PyExc_TypeError, "%U() got multiple values for argument '%S'", f->qualname, keyword);
            return false;
        }
        slots[j] = nb::borrow(args[argcount + i]);
    }

    if (argcount > impl.argcount) {
        too_many_positional(f, argcount, slots);
        return false;
    }

    if (argcount < impl.argcount) {
        const Py_ssize_t defcount = f->defaults ? PyTuple_GET_SIZE(f->defaults) : 0;
        const Py_ssize_t m = impl.argcount - defcount;
        std::vector<PyObject*> missing;
        for (Py_ssize_t i = argcount; i < m; ++i) {
            if (!slots[i].is_valid()) {
                missing.push_back(impl.names[i]);
            }
        }
        if (!missing.empty()) {
            missing_arguments(f, missing, "positional");
            return false;
        }
        for (Py_ssize_t i = n > m ? n - m : 0; i < defcount; ++i) {
            if (!slots[m + i].is_valid()) {
                slots[m + i] = nb::borrow(PyTuple_GET_ITEM(f->defaults, i));
            }
        }
    }

    if (total > impl.argcount) {
        std::vector<PyObject*> missing;
        for (Py_ssize_t i = impl.argcount; i < total; ++i) {
            if (slots[i].is_valid()) {
                continue;
            }
            if (f->kwdefaults) {
                PyObject* def = PyDict_GetItemWithError(f->kwdefaults, impl.names[i]);
                if (def) {
                    slots[i] = nb::borrow(def);
                    continue;
                }
                if (PyErr_Occurred()) {
                    return false;
                }
            }
            missing.push_back(impl.names[i]);
        }
        if (!missing.empty()) {
            missing_arguments(f, missing, "keyword-only");
            return false;
        }
    }
    return true;
}

PyObject* function_vectorcall(PyObject* self, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    FunctionObject* f = as_function(self);
    if (!f->globals) {  // only after the collector has cleared it, e.g. at interpreter shutdown
        PyErr_Format(PyExc_RuntimeError, "%U() called after its module namespace was cleared", f->qualname);
        return nullptr;
    }
    // Hold the object: a body may rebind the module name that was its last reference.
    nb::object keep = nb::borrow(self);
    std::vector<nb::object> slots(f->impl->names.size());
    if (!bind_arguments(f, args, PyVectorcall_NARGS(nargsf), kwnames, slots)) {
        return nullptr;
    }
    if (Py_EnterRecursiveCall(" while calling a Python object")) {
        return nullptr;
    }
    PyObject* result = nullptr;
    translate_exceptions([&] {
        nb::object globals = nb::borrow(f->globals);
        nb::object r = f->impl->body(Globals(globals), slots);
        if (!r.is_valid() && !PyErr_Occurred()) {
            PyErr_Format(PyExc_SystemError, "%U() returned NULL without setting an exception", f->qualname);
        }
        result = r.release().ptr();
    });
    Py_LeaveRecursiveCall();
    if (result && PyErr_Occurred()) {
        Py_DECREF(result);
        return nullptr;
    }
    return result;
}

// ---- the lazily built inspect.Signature ----

PyObject* build_signature(FunctionObject* f) {
    nb::object inspect = nb::steal(PyImport_ImportModule("inspect"));
    if (!inspect.is_valid()) {
        throw nb::python_error();
    }
    nb::object parameter = inspect.attr("Parameter");
    nb::object empty = parameter.attr("empty");
    nb::object annotations = f->annotations ? nb::borrow(f->annotations) : nb::dict();
    auto annotation_of = [&](PyObject* key) -> nb::object {
        PyObject* a = PyDict_GetItemWithError(annotations.ptr(), key);
        if (!a && PyErr_Occurred()) {
            throw nb::python_error();
        }
        return a ? nb::borrow(a) : empty;
    };
    const Impl& impl = *f->impl;
    const Py_ssize_t defcount = f->defaults ? PyTuple_GET_SIZE(f->defaults) : 0;
    const Py_ssize_t first_default = impl.argcount - defcount;
    nb::list params;
    for (size_t i = 0; i < impl.names.size(); ++i) {
        const Py_ssize_t pos = (Py_ssize_t)i;
        const bool positional = pos < impl.argcount;
        nb::object def = empty;
        if (positional && pos >= first_default) {
            def = nb::borrow(PyTuple_GET_ITEM(f->defaults, pos - first_default));
        } else if (!positional && f->kwdefaults) {
            PyObject* d = PyDict_GetItemWithError(f->kwdefaults, impl.names[i]);
            if (!d && PyErr_Occurred()) {
                throw nb::python_error();
            }
            if (d) {
                def = nb::borrow(d);
            }
        }
        nb::object kind = parameter.attr(positional ? "POSITIONAL_OR_KEYWORD" : "KEYWORD_ONLY");
        params.append(parameter(nb::handle(impl.names[i]), kind, nb::arg("default") = def,
                                nb::arg("annotation") = annotation_of(impl.names[i])));
    }
    nb::object sig = inspect.attr("Signature")(params, nb::arg("return_annotation") = annotation_of(interned_name("return")),
                                               nb::arg("__validate_parameters__") = false);
    return sig.release().ptr();
}

// ---- attributes ----

PyObject* get_name(PyObject* self, void*) { return Py_NewRef(as_function(self)->name); }
PyObject* get_qualname(PyObject* self, void*) { return Py_NewRef(as_function(self)->qualname); }

int set_text(PyObject* value, PyObject** slot, const char* what) {
    if (!value || !PyUnicode_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s must be set to a string object", what);
        return -1;
    }
    Py_XSETREF(*slot, Py_NewRef(value));
    return 0;
}
int set_name(PyObject* self, PyObject* value, void*) { return set_text(value, &as_function(self)->name, "__name__"); }
int set_qualname(PyObject* self, PyObject* value, void*) {
    return set_text(value, &as_function(self)->qualname, "__qualname__");
}

PyObject* get_doc(PyObject* self, void*) {
    PyObject* doc = as_function(self)->doc;
    return Py_NewRef(doc ? doc : Py_None);
}
int set_doc(PyObject* self, PyObject* value, void*) {
    Py_XSETREF(as_function(self)->doc, Py_NewRef(value ? value : Py_None));
    return 0;
}

PyObject* get_annotations(PyObject* self, void*) {
    FunctionObject* f = as_function(self);
    if (!f->annotations && !(f->annotations = PyDict_New())) {
        return nullptr;
    }
    return Py_NewRef(f->annotations);
}
// Stores a dict/tuple attribute that None (or deletion) resets; what the signature shows changes.
int set_optional(FunctionObject* f, PyObject** slot, PyObject* value, bool (*accepts)(PyObject*),
                 const char* type_error) {
    if (value == Py_None) {
        value = nullptr;
    }
    if (value && !accepts(value)) {
        PyErr_SetString(PyExc_TypeError, type_error);
        return -1;
    }
    Py_XSETREF(*slot, Py_XNewRef(value));
    Py_CLEAR(f->signature);
    return 0;
}
bool is_dict(PyObject* o) { return PyDict_Check(o); }
bool is_tuple(PyObject* o) { return PyTuple_Check(o); }

int set_annotations(PyObject* self, PyObject* value, void*) {
    FunctionObject* f = as_function(self);
    return set_optional(f, &f->annotations, value, is_dict, "__annotations__ must be set to a dict object");
}

PyObject* get_defaults(PyObject* self, void*) {
    FunctionObject* f = as_function(self);
    return Py_NewRef(f->defaults ? f->defaults : Py_None);
}
int set_defaults(PyObject* self, PyObject* value, void*) {
    FunctionObject* f = as_function(self);
    if (value && PyTuple_Check(value) && PyTuple_GET_SIZE(value) > f->impl->argcount) {
        // A def tolerates this; our binding would index past the parameters, so refuse it.
        PyErr_SetString(PyExc_ValueError, "__defaults__ has more items than positional parameters");
        return -1;
    }
    return set_optional(f, &f->defaults, value, is_tuple, "__defaults__ must be set to a tuple object");
}

PyObject* get_kwdefaults(PyObject* self, void*) {
    FunctionObject* f = as_function(self);
    return Py_NewRef(f->kwdefaults ? f->kwdefaults : Py_None);
}
int set_kwdefaults(PyObject* self, PyObject* value, void*) {
    FunctionObject* f = as_function(self);
    return set_optional(f, &f->kwdefaults, value, is_dict, "__kwdefaults__ must be set to a dict object");
}

PyObject* get_signature(PyObject* self, void*) {
    FunctionObject* f = as_function(self);
    if (!f->signature) {
        PyObject* sig = nullptr;
        if (!translate_exceptions([&] { sig = build_signature(f); })) {
            return nullptr;
        }
        f->signature = sig;
    }
    return Py_NewRef(f->signature);
}
int set_signature(PyObject* self, PyObject* value, void*) {
    Py_XSETREF(as_function(self)->signature, Py_XNewRef(value));  // deleting rebuilds on demand
    return 0;
}

PyGetSetDef function_getset[] = {
    {"__name__", get_name, set_name, nullptr, nullptr},
    {"__qualname__", get_qualname, set_qualname, nullptr, nullptr},
    {"__doc__", get_doc, set_doc, nullptr, nullptr},
    {"__annotations__", get_annotations, set_annotations, nullptr, nullptr},
    {"__defaults__", get_defaults, set_defaults, nullptr, nullptr},
    {"__kwdefaults__", get_kwdefaults, set_kwdefaults, nullptr, nullptr},
    {"__signature__", get_signature, set_signature, nullptr, nullptr},
    {"__dict__", PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMemberDef function_members[] = {
    {"__vectorcalloffset__", T_PYSSIZET, offsetof(FunctionObject, vectorcall), READONLY, nullptr},
    {"__dictoffset__", T_PYSSIZET, offsetof(FunctionObject, dict), READONLY, nullptr},
    {"__weaklistoffset__", T_PYSSIZET, offsetof(FunctionObject, weakreflist), READONLY, nullptr},
    {"__module__", T_OBJECT, offsetof(FunctionObject, module), 0, nullptr},
    {"__globals__", T_OBJECT, offsetof(FunctionObject, globals), READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

// Pickling and copying refer to the function by name, as for a def.
PyObject* function_reduce(PyObject* self, PyObject*) { return Py_NewRef(as_function(self)->qualname); }

PyMethodDef function_methods[] = {
    {"__reduce__", function_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyObject* function_repr(PyObject* self) {
    return PyUnicode_FromFormat("<function %U at %p>", as_function(self)->qualname, self);
}

PyObject* function_descr_get(PyObject* self, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) {
        return Py_NewRef(self);
    }
    return PyMethod_New(self, obj);
}

int function_traverse(PyObject* self, visitproc visit, void* arg) {
    FunctionObject* f = as_function(self);
    Py_VISIT(Py_TYPE(self));
    Py_VISIT(f->name);
    Py_VISIT(f->qualname);
    Py_VISIT(f->module);
    Py_VISIT(f->doc);
    Py_VISIT(f->annotations);
    Py_VISIT(f->defaults);
    Py_VISIT(f->kwdefaults);
    Py_VISIT(f->globals);
    Py_VISIT(f->signature);
    Py_VISIT(f->dict);
    return 0;
}

int function_clear(PyObject* self) {
    FunctionObject* f = as_function(self);
    // name and qualname stay: they are strings (no cycles) and repr/error texts need them.
    Py_CLEAR(f->module);
    Py_CLEAR(f->doc);
    Py_CLEAR(f->annotations);
    Py_CLEAR(f->defaults);
    Py_CLEAR(f->kwdefaults);
    Py_CLEAR(f->globals);
    Py_CLEAR(f->signature);
    Py_CLEAR(f->dict);
    return 0;
}

void function_dealloc(PyObject* self) {
    FunctionObject* f = as_function(self);
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    if (f->weakreflist) {
        PyObject_ClearWeakRefs(self);
    }
    function_clear(self);
    Py_CLEAR(f->name);
    Py_CLEAR(f->qualname);
    delete f->impl;
    f->impl = nullptr;
    type->tp_free(self);
    Py_DECREF(type);
}

PyType_Slot function_slots[] = {
    {Py_tp_call, (void*)PyVectorcall_Call},
    {Py_tp_repr, (void*)function_repr},
    {Py_tp_descr_get, (void*)function_descr_get},
    {Py_tp_traverse, (void*)function_traverse},
    {Py_tp_clear, (void*)function_clear},
    {Py_tp_dealloc, (void*)function_dealloc},
    {Py_tp_getset, function_getset},
    {Py_tp_members, function_members},
    {Py_tp_methods, function_methods},
    {0, nullptr},
};

PyType_Spec function_spec = {
    "pyglue_function",
    sizeof(FunctionObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR |
        Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    function_slots,
};

PyTypeObject* get_function_type() {
    if (!function_type) {
        function_type = PyType_FromSpec(&function_spec);  // kept for the life of the process
        if (!function_type) {
            throw nb::python_error();
        }
    }
    return reinterpret_cast<PyTypeObject*>(function_type);
}

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
    PyTypeObject* type = get_function_type();

    nb::object module_dict = nb::borrow(PyModule_GetDict(module.ptr()));
    if (!module_dict.is_valid()) {
        throw nb::python_error();
    }
    PyObject* module_name = PyDict_GetItemWithError(module_dict.ptr(), interned_name("__name__"));
    if (!module_name && PyErr_Occurred()) {
        throw nb::python_error();
    }

    auto impl = std::make_unique<Impl>();
    impl->body = spec.body;
    nb::dict annotations;
    nb::list defaults;
    nb::dict kwdefaults;
    for (const Param& p : spec.params) {
        PyObject* name = interned_name(p.name.c_str());
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
