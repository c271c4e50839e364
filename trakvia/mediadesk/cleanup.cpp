// Placeholder for cleanup_dji_files: replaced by the real operation.
#include "functions.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

pyglue::FunctionSpec cleanup_dji_files_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "cleanup_dji_files";
    spec.body = [](const pyglue::Globals&, const std::vector<nb::object>&) -> nb::object {
        PyErr_SetString(PyExc_NotImplementedError, "cleanup_dji_files");
        throw nb::python_error();
    };
    return spec;
}

}  // namespace trakvia::mediadesk
