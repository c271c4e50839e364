// Paths across the Python boundary: bytes via os.fsencode on POSIX, wide strings on Windows.
#include "bindings.hpp"

#include "pyglue/paths.hpp"

#include <string>

namespace trakvia::converter {

std::filesystem::path path_from_python(nb::handle obj) {
    nb::object fspath = nb::steal(PyOS_FSPath(obj.ptr()));
    if (!fspath.is_valid()) {
        throw nb::python_error();
    }
#ifdef _WIN32
    PyObject* text = nullptr;
    if (!PyUnicode_FSDecoder(fspath.ptr(), &text)) {
        throw nb::python_error();
    }
    nb::object owned = nb::steal(text);
    Py_ssize_t size = 0;
    wchar_t* wide = PyUnicode_AsWideCharString(text, &size);
    if (!wide) {
        throw nb::python_error();
    }
    std::wstring native(wide, static_cast<std::size_t>(size));
    PyMem_Free(wide);
    return std::filesystem::path(std::move(native));
#else
    PyObject* raw = nullptr;
    if (!PyUnicode_FSConverter(fspath.ptr(), &raw)) {  // rejects embedded NUL with ValueError
        throw nb::python_error();
    }
    nb::object owned = nb::steal(raw);
    return std::filesystem::path(std::string(PyBytes_AS_STRING(raw), PyBytes_GET_SIZE(raw)));
#endif
}

nb::str path_to_python(const std::filesystem::path& path) { return pyglue::path_to_str(path); }

nb::list paths_to_python(const std::vector<std::filesystem::path>& paths) {
    nb::list out;
    for (const auto& p : paths) out.append(path_to_python(p));
    return out;
}

}  // namespace trakvia::converter
