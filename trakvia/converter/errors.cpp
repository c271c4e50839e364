// The one exception seam between the engine and Python. Every engine call goes through
// raise_engine_error, so this table is the whole mapping:
//
//   engine::InputError                  → OSError subclass by errno (FileNotFoundError, ...),
//                                         with errno, strerror and the input file name
//   std::filesystem::filesystem_error   → OSError subclass by its error code, with path1/path2
//   std::system_error                   → OSError subclass by its error code
//   std::bad_alloc                      → MemoryError
//   std::invalid_argument, domain_error,
//   out_of_range                        → ValueError(what())
//   any other std::exception            → RuntimeError(what())
//   anything else                       → RuntimeError("Dönüştürme motorunda bilinmeyen hata")
//
// Python errors raised while shaping arguments pass through unchanged.
#include "bindings.hpp"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include "trakvia/engine/convert.hpp"

namespace trakvia::converter {

namespace {

namespace fs = std::filesystem;

nb::object optional_path(const fs::path* path) {
    if (!path || path->empty()) {
        return nb::none();
    }
    return path_to_python(*path);
}

// OSError(errno, strerror, filename[, None, filename2]); the constructor picks the subclass.
[[noreturn]] void raise_os_error(int errno_value, const std::string& message, nb::object filename,
                                 nb::object filename2 = nb::none()) {
    nb::object error;
    nb::str text(message.c_str(), message.size());
    if (filename2.is_none()) {
        error = nb::handle(PyExc_OSError)(errno_value, text, filename);
    } else {
        error = nb::handle(PyExc_OSError)(errno_value, text, filename, nb::none(), filename2);
    }
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw nb::python_error();
}

[[noreturn]] void raise_code_error(const std::error_code& code, nb::object filename,
                                   nb::object filename2 = nb::none()) {
#ifdef _WIN32
    if (code.category() == std::system_category()) {
        // Win32 error codes: the interpreter maps them to errno and the subclass itself.
        PyErr_SetExcFromWindowsErrWithFilenameObjects(PyExc_OSError, code.value(), filename.ptr(),
                                                      filename2.is_none() ? nullptr : filename2.ptr());
        throw nb::python_error();
    }
#endif
    raise_os_error(code.value(), std::strerror(code.value()), std::move(filename), std::move(filename2));
}

[[noreturn]] void raise_plain(PyObject* type, const char* message) {
    PyErr_SetString(type, message);
    throw nb::python_error();
}

}  // namespace

void raise_engine_error(std::exception_ptr error, const fs::path* filename) {
    try {
        std::rethrow_exception(error);
    } catch (const nb::python_error&) {
        throw;
    } catch (const nb::builtin_exception&) {
        throw;
    } catch (const engine::InputError& e) {
        int code = e.errno_value != 0 ? e.errno_value : EIO;
        raise_os_error(code, std::strerror(code), optional_path(filename));
    } catch (const fs::filesystem_error& e) {
        raise_code_error(e.code(), optional_path(&e.path1()), optional_path(&e.path2()));
    } catch (const std::system_error& e) {
        raise_code_error(e.code(), nb::none());
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
        throw nb::python_error();
    } catch (const std::invalid_argument& e) {
        raise_plain(PyExc_ValueError, e.what());
    } catch (const std::domain_error& e) {
        raise_plain(PyExc_ValueError, e.what());
    } catch (const std::out_of_range& e) {
        raise_plain(PyExc_ValueError, e.what());
    } catch (const std::exception& e) {
        raise_plain(PyExc_RuntimeError, e.what());
    } catch (...) {
        raise_plain(PyExc_RuntimeError, "Dönüştürme motorunda bilinmeyen hata");
    }
}

void bind_errors(nb::module_& m) {
    // Check hook for the seam: throws the named C++ exception and raises it like any engine
    // call does, so each row of the table above can be tested from Python.
    m.def(
        "_raise_engine_exception",
        [](const std::string& kind, const std::string& message, int errno_value,
           nb::handle filename) {
            fs::path name = filename.is_none() ? fs::path() : path_from_python(filename);
            auto thrower = [&]() -> int {
                if (kind == "input") throw engine::InputError(message, errno_value);
                if (kind == "filesystem")
                    throw fs::filesystem_error(message, name, std::error_code(errno_value, std::generic_category()));
                if (kind == "system") throw std::system_error(errno_value, std::generic_category(), message);
                if (kind == "bad_alloc") throw std::bad_alloc();
                if (kind == "invalid_argument") throw std::invalid_argument(message);
                if (kind == "domain_error") throw std::domain_error(message);
                if (kind == "out_of_range") throw std::out_of_range(message);
                if (kind == "runtime_error") throw std::runtime_error(message);
                if (kind == "logic_error") throw std::logic_error(message);
                throw 42;
            };
            call_engine(thrower, &name);
        },
        nb::arg("kind"), nb::arg("message") = "", nb::arg("errno") = 0, nb::arg("filename") = nb::none());
}

}  // namespace trakvia::converter
