// The exception seam: one table from C++ exception types to Python exceptions.
#include "pyglue/exceptions.hpp"

#include <nanobind/nanobind.h>

#include "pyglue/paths.hpp"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace pyglue::detail {

namespace nb = nanobind;

namespace {

PyObject* builtin_type(nb::exception_type type) {
    switch (type) {
        case nb::exception_type::stop_iteration: return PyExc_StopIteration;
        case nb::exception_type::index_error: return PyExc_IndexError;
        case nb::exception_type::key_error: return PyExc_KeyError;
        case nb::exception_type::value_error: return PyExc_ValueError;
        case nb::exception_type::type_error: return PyExc_TypeError;
        case nb::exception_type::buffer_error: return PyExc_BufferError;
        case nb::exception_type::import_error: return PyExc_ImportError;
        case nb::exception_type::attribute_error: return PyExc_AttributeError;
        case nb::exception_type::next_overload: return PyExc_TypeError;
        case nb::exception_type::runtime_error: break;
    }
    return PyExc_RuntimeError;
}

// The file name an OSError carries: None for an empty path. New reference, or null with the
// conversion's error set.
PyObject* filename_or_none(const std::filesystem::path& p) noexcept {
    if (p.empty()) {
        return Py_NewRef(Py_None);
    }
    try {
        return path_to_str(p).release().ptr();
    } catch (nb::python_error& e) {
        e.restore();
        return nullptr;
    }
}

// OSError(errno, strerror[, filename, winerror, filename2]); the interpreter picks the
// subclass (FileNotFoundError, PermissionError, ...) from the errno. Steals f1 and f2.
void set_os_error(const std::error_code& code, const char* message, PyObject* f1, PyObject* f2) {
    const bool is_errno = code.category() == std::generic_category()
#ifndef _WIN32
                          || code.category() == std::system_category()
#endif
        ;
    PyObject* errno_obj = is_errno ? PyLong_FromLong(code.value()) : Py_NewRef(Py_None);
    PyObject* winerror = is_errno ? Py_NewRef(Py_None) : PyLong_FromLong(code.value());
    PyObject* msg = PyUnicode_DecodeUTF8(message, (Py_ssize_t)std::strlen(message), "replace");
    PyObject* exc = nullptr;
    if (errno_obj && winerror && msg && f1 && f2) {
        if (f2 != Py_None || winerror != Py_None) {
            exc = PyObject_CallFunctionObjArgs(PyExc_OSError, errno_obj, msg, f1, winerror, f2, nullptr);
        } else if (f1 != Py_None) {
            exc = PyObject_CallFunctionObjArgs(PyExc_OSError, errno_obj, msg, f1, nullptr);
        } else {
            exc = PyObject_CallFunctionObjArgs(PyExc_OSError, errno_obj, msg, nullptr);
        }
    }
    Py_XDECREF(errno_obj);
    Py_XDECREF(winerror);
    Py_XDECREF(msg);
    Py_XDECREF(f1);
    Py_XDECREF(f2);
    if (exc) {  // otherwise the failure above has left its own error set
        PyErr_SetObject((PyObject*)Py_TYPE(exc), exc);
        Py_DECREF(exc);
    }
}

}  // namespace

void set_error_from_current_exception() noexcept {
    try {
        throw;
    } catch (nb::python_error& e) {
        e.restore();
    } catch (const nb::builtin_exception& e) {
        PyErr_SetString(builtin_type(e.type()), e.what());
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::filesystem::filesystem_error& e) {
        set_os_error(e.code(), e.code().message().c_str(), filename_or_none(e.path1()), filename_or_none(e.path2()));
    } catch (const std::system_error& e) {
        set_os_error(e.code(), e.what(), Py_NewRef(Py_None), Py_NewRef(Py_None));
    } catch (const std::invalid_argument& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const std::domain_error& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const std::out_of_range& e) {
        PyErr_SetString(PyExc_IndexError, e.what());
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_RuntimeError, e.what());
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unknown C++ exception");
    }
}

}  // namespace pyglue::detail
