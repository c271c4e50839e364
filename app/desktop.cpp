// Placeholder for the desktop start-up: replaced by the Qt start-up.
#include "desktop.hpp"

namespace trakvia::app {

namespace nb = nanobind;

nb::object run_desktop(const pyglue::Globals&, nb::handle) {
    PyErr_SetString(PyExc_NotImplementedError, "desktop start-up");
    throw nb::python_error();
}

}  // namespace trakvia::app
