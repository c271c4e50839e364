// Placeholder for play_dji_file_by_index: replaced by the real operation.
#include "functions.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

pyglue::FunctionSpec play_dji_file_by_index_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "play_dji_file_by_index";
    spec.body = [](const pyglue::Globals&, const std::vector<nb::object>&) -> nb::object {
        PyErr_SetString(PyExc_NotImplementedError, "play_dji_file_by_index");
        throw nb::python_error();
    };
    return spec;
}

}  // namespace trakvia::mediadesk
