// The pyglue function type: its attributes, descriptor and repr, garbage-collector support.
#include "function_object.hpp"

#include <structmember.h>

#include <cstddef>

namespace pyglue::detail {

namespace {

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

PyObject* function_type_object = nullptr;

}  // namespace

PyTypeObject* function_type() {
    if (!function_type_object) {
        function_type_object = PyType_FromSpec(&function_spec);  // kept for the life of the process
        if (!function_type_object) {
            throw nb::python_error();
        }
    }
    return reinterpret_cast<PyTypeObject*>(function_type_object);
}

}  // namespace pyglue::detail
