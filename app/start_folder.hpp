// Where the command line's relative paths lead: the folder the user started the program from.
#pragma once

#include "pyglue/function.hpp"

namespace trakvia::app {

// Rewrites the parsed path arguments of `args` (and convert's default output folder) to lead
// from the start folder, when the launcher has moved the current directory away from it.
void resolve_from_start_folder(const pyglue::Globals& globals, nanobind::handle args);

}  // namespace trakvia::app
