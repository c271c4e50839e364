// Argument binding and the call: the interpreter's own rules and TypeError texts for fitting a
// call to the parameters, then the body run under the exception seam.
#include "function_object.hpp"

#include <vector>

namespace pyglue::detail {

namespace {

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

}  // namespace

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

}  // namespace pyglue::detail
