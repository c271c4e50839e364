// Placeholder for import_dji_files: replaced by the real operation.
#include "functions.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

pyglue::FunctionSpec import_dji_files_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "import_dji_files";
    spec.body = [](const pyglue::Globals&, const std::vector<nb::object>&) -> nb::object {
        PyErr_SetString(PyExc_NotImplementedError, "import_dji_files");
        throw nb::python_error();
    };
    return spec;
}

}  // namespace trakvia::mediadesk
