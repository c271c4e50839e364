// Internal interface of trakvia_app: the function specs bound at start-up and the small helpers
// the parser and the commands share for calling interpreter facilities and printing report lines.
#pragma once

#include "pyglue/def.hpp"
#include "pyglue/values.hpp"

#include <cstddef>
#include <vector>

namespace trakvia::app {

namespace nb = nanobind;

// Checked C API results, truth and membership tests: pyglue/values.hpp.
using pyglue::checked;
using pyglue::contains;
using pyglue::is_true;

// main() -> int: builds the parser, answers --version, runs a command or the desktop.
extern const pyglue::Definition main_def;

// Builds the function objects the parser hands to argparse as `type=`; once, at start-up.
void make_parser_types(nb::handle module);

// _run_cli(args: argparse.Namespace) -> int: the command runner.
pyglue::FunctionSpec run_cli_spec();

// The five command branches of _run_cli; each returns the command's result.
nb::object run_list(const pyglue::Globals& g, nb::handle args);
nb::object run_cleanup(const pyglue::Globals& g, nb::handle args);
nb::object run_import(const pyglue::Globals& g, nb::handle args);
nb::object run_play(const pyglue::Globals& g, nb::handle args);
nb::object run_convert(const pyglue::Globals& g, nb::handle args);

// --- helpers shared by the parser and the commands (report.cpp) ---

// `value or ""`: a missing or empty filter becomes the empty text.
nb::object text_or_empty(nb::handle value);

// A function of os.path, looked up through the module's `os` at the moment of use.
nb::object os_path(const pyglue::Globals& g, const char* name);

// `format(value, spec)` with the interpreter's built-in format, found through the namespace.
nb::object fixed(const pyglue::Globals& g, nb::handle value, const char* spec);

// `len(value)` with the built-in len, found through the namespace.
nb::object length(const pyglue::Globals& g, nb::handle value);

// `value / divisor` with the interpreter's true division.
nb::object divided(nb::handle value, nb::handle divisor);

// Unpacks an iterable into exactly `count` items, raising the interpreter's own ValueError or
// TypeError texts ("not enough values to unpack (expected 3, got 2)", ...).
std::vector<nb::object> unpack(nb::handle iterable, std::size_t count);

// One report line, assembled from UTF-8 literals and the text form (str) of values.
class Line {
public:
    Line& operator<<(const char* utf8);
    Line& operator<<(nb::handle value);
    nb::str text() const;

private:
    nb::list pieces_;
};

// Writes the line with the interpreter's print, found through the module's namespace.
void print_line(const pyglue::Globals& g, const Line& line);

}  // namespace trakvia::app
