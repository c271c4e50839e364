// The function's inspect.Signature, built from its current attributes when first asked for.
#include "function_object.hpp"

namespace pyglue::detail {

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
    nb::object sig = inspect.attr("Signature")(params, nb::arg("return_annotation") = annotation_of(interned("return").ptr()),
                                               nb::arg("__validate_parameters__") = false);
    return sig.release().ptr();
}

}  // namespace pyglue::detail
