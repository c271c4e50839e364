// The desktop branch of main(): Qt start-up, main window, screenshot mode.
#pragma once

#include "pyglue/function.hpp"

namespace trakvia::app {

// Starts the Qt application and the main window for the parsed arguments `args` and returns
// the event loop's result (or 0 after screenshot mode). Imports PyQt5 and trakvia.ui here only.
nanobind::object run_desktop(const pyglue::Globals& globals, nanobind::handle args);

}  // namespace trakvia::app
