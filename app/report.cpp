// Helpers of the command runner: interpreter calls for texts, numbers, unpacking and printing.
#include "cli.hpp"

namespace trakvia::app {

nb::object text_or_empty(nb::handle value) {
    return is_true(value) ? nb::borrow(value) : nb::object(nb::str(""));
}

nb::object os_path(const pyglue::Globals& g, const char* name) {
    return g["os"].attr("path").attr(name);
}

nb::object fixed(const pyglue::Globals& g, nb::handle value, const char* spec) {
    return g["format"](value, nb::str(spec));
}

nb::object length(const pyglue::Globals& g, nb::handle value) {
    return g["len"](value);
}

nb::object divided(nb::handle value, nb::handle divisor) {
    return checked(PyNumber_TrueDivide(value.ptr(), divisor.ptr()));
}

std::vector<nb::object> unpack(nb::handle iterable, std::size_t count) {
    PyObject* it = PyObject_GetIter(iterable.ptr());
    if (it == nullptr) {
        if (PyErr_ExceptionMatches(PyExc_TypeError)) {
            PyErr_Clear();
            PyErr_Format(PyExc_TypeError, "cannot unpack non-iterable %.200s object",
                         Py_TYPE(iterable.ptr())->tp_name);
        }
        throw nb::python_error();
    }
    nb::object iter = nb::steal(it);
    std::vector<nb::object> items;
    items.reserve(count);
    while (items.size() < count) {
        PyObject* item = PyIter_Next(iter.ptr());
        if (item == nullptr) {
            if (PyErr_Occurred()) {
                throw nb::python_error();
            }
            PyErr_Format(PyExc_ValueError, "not enough values to unpack (expected %zu, got %zu)",
                         count, items.size());
            throw nb::python_error();
        }
        items.push_back(nb::steal(item));
    }
    PyObject* extra = PyIter_Next(iter.ptr());
    if (extra != nullptr) {
        Py_DECREF(extra);
        PyErr_Format(PyExc_ValueError, "too many values to unpack (expected %zu)", count);
        throw nb::python_error();
    }
    if (PyErr_Occurred()) {
        throw nb::python_error();
    }
    return items;
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

bool input_is_missing(const pyglue::Globals& g, nb::handle path, const char* what) {
    if (is_true(os_path(g, "exists")(path))) {
        return false;
    }
    print_error(g, Line() << what << " bulunamadı: '" << path << "'");
    return true;
}

}  // namespace trakvia::app
