// Placeholder for create_sample_dji_sdcard_structure: replaced by the real operation.
#include "functions.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

pyglue::FunctionSpec create_sample_dji_sdcard_structure_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "create_sample_dji_sdcard_structure";
    spec.body = [](const pyglue::Globals&, const std::vector<nb::object>&) -> nb::object {
        PyErr_SetString(PyExc_NotImplementedError, "create_sample_dji_sdcard_structure");
        throw nb::python_error();
    };
    return spec;
}

}  // namespace trakvia::mediadesk
