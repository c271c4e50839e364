// Internal interface of trakvia_app: the functions bound at start-up and the command branches.
// Report lines: report_line.hpp; what the commands read from the arguments: command_arguments.hpp.
#pragma once

#include "pyglue/def.hpp"
#include "pyglue/values.hpp"

namespace trakvia::app {

namespace nb = nanobind;

// Checked C API results, truth and membership tests, unpacking: pyglue/values.hpp; os.path:
// pyglue/globals.hpp.
using pyglue::checked;
using pyglue::contains;
using pyglue::is_true;
using pyglue::os_path;
using pyglue::unpack;

// main() -> int: builds the parser, answers --version, runs a command or the desktop.
extern const pyglue::Definition main_def;

// Builds the function objects the parser hands to argparse as `type=`; once, at start-up.
void make_parser_types(nb::handle module);

// _run_cli(args: argparse.Namespace) -> int: the command runner.
extern const pyglue::Definition run_cli_def;

// The five command branches of _run_cli; each returns the command's result.
nb::object run_list(const pyglue::Globals& g, nb::handle args);     // commands.cpp
nb::object run_cleanup(const pyglue::Globals& g, nb::handle args);  // commands.cpp
nb::object run_import(const pyglue::Globals& g, nb::handle args);   // import_command.cpp
nb::object run_play(const pyglue::Globals& g, nb::handle args);     // commands.cpp
nb::object run_convert(const pyglue::Globals& g, nb::handle args);  // convert_command.cpp

}  // namespace trakvia::app
