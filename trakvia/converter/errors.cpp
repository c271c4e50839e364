// The exception seam of trakvia.converter. The engine's own error is mapped here; every
// other exception goes through the project's one table in pyglue:
//
//   engine::InputError                  → OSError subclass by errno (FileNotFoundError, ...),
//                                         with errno, strerror and the input file name
//   std::filesystem::filesystem_error   → OSError subclass by its error code, with path1/path2
//   std::system_error                   → OSError subclass by its error code
//   std::bad_alloc                      → MemoryError
//   std::invalid_argument, domain_error → ValueError(what());  std::out_of_range → IndexError
//   any other std::exception            → RuntimeError(what());  anything else → SystemError
//
// Python errors raised while shaping arguments pass through unchanged.
#include "bindings.hpp"

#include <nanobind/stl/string.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include "pyglue/function.hpp"
#include "trakvia/engine/convert.hpp"

namespace trakvia::converter {

namespace fs = std::filesystem;

void raise_engine_error(std::exception_ptr error, const fs::path* filename) {
    try {
        std::rethrow_exception(error);
    } catch (const engine::InputError& e) {
        const int code = e.errno_value != 0 ? e.errno_value : EIO;
        nb::object name = filename && !filename->empty() ? nb::object(path_to_python(*filename)) : nb::none();
        nb::str text = e.reason.empty() ? nb::str(std::strerror(code)) : nb::str(e.reason.c_str(), e.reason.size());
        nb::object exc = nb::handle(PyExc_OSError)(code, text, name);
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exc.ptr())), exc.ptr());
    } catch (...) {
        pyglue::translate_exceptions([&] { std::rethrow_exception(error); });
    }
    throw nb::python_error();
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
                if (kind == "filesystem") {
                    throw fs::filesystem_error(message, name, std::error_code(errno_value, std::generic_category()));
                }
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
