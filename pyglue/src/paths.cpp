// Native path → str, for the exception seam and every module that returns paths.
#include "pyglue/paths.hpp"

namespace pyglue {

nb::str path_to_str(const std::filesystem::path& path) {
    const auto& native = path.native();
#ifdef _WIN32
    // Straight from the wide string: a lone surrogate in a file name stays as it is.
    PyObject* text = PyUnicode_FromWideChar(native.c_str(), static_cast<Py_ssize_t>(native.size()));
#else
    PyObject* text = PyUnicode_DecodeFSDefaultAndSize(native.c_str(), static_cast<Py_ssize_t>(native.size()));
#endif
    if (!text) {
        throw nb::python_error();
    }
    return nb::steal<nb::str>(text);
}

}  // namespace pyglue
