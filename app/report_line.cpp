// The lines the commands print: assembled from texts and the str of values, numbers formatted by
// the interpreter's format, written by its print.
#include "report_line.hpp"

#include "pyglue/values.hpp"

namespace trakvia::app {

using pyglue::checked;

nb::object fixed(const pyglue::Globals& g, nb::handle value, const char* spec) {
    return g["format"](value, nb::str(spec));
}

nb::object length(const pyglue::Globals& g, nb::handle value) {
    return g["len"](value);
}

nb::object divided(nb::handle value, nb::handle divisor) {
    return checked(PyNumber_TrueDivide(value.ptr(), divisor.ptr()));
}

Line& Line::operator<<(const char* utf8) {
    pieces_.append(nb::str(utf8));
    return *this;
}

Line& Line::operator<<(nb::handle value) {
    pieces_.append(checked(PyObject_Str(value.ptr())));
    return *this;
}

nb::str Line::text() const {
    return nb::steal<nb::str>(checked(PyUnicode_Join(nb::str("").ptr(), pieces_.ptr())).release());
}

namespace {

// `text` as it can be written anywhere: undecodable bytes of a file name (kept as lone
// surrogates by the interpreter) become U+FFFD.
nb::object printable(nb::str text) {
    PyObject* utf8 = PyUnicode_AsUTF8String(text.ptr());
    if (utf8 != nullptr) {
        Py_DECREF(utf8);
        return text;
    }
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) {
        throw nb::python_error();
    }
    PyErr_Clear();
    PyObject* raw = PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogateescape");
    if (raw == nullptr) {  // surrogates that stand for no byte
        PyErr_Clear();
        raw = PyUnicode_AsEncodedString(text.ptr(), "utf-8", "replace");
    }
    nb::object bytes = checked(raw);
    return checked(PyUnicode_DecodeUTF8(PyBytes_AS_STRING(bytes.ptr()), PyBytes_GET_SIZE(bytes.ptr()), "replace"));
}

}  // namespace

void print_line(const pyglue::Globals& g, const Line& line) {
    g["print"](printable(line.text()));
}

void print_error(const pyglue::Globals& g, const Line& line) {
    g["print"](printable(line.text()), nb::arg("file") = g["sys"].attr("stderr"));
}

}  // namespace trakvia::app
