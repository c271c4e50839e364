// Internal interface of trakvia_app: the function specs bound at start-up and the small helpers
// the parser and the commands share for calling interpreter facilities and printing report lines.
#pragma once

#include "pyglue/function.hpp"
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
pyglue::FunctionSpec main_spec();

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

// Writes the line with the interpreter's print, found through the module's namespace. A path
// whose bytes are no valid UTF-8 (any bytes are allowed on Linux) is shown with replacement
// characters instead of ending the command after its work is done.
void print_line(const pyglue::Globals& g, const Line& line);

// The same, on standard error: what went wrong, for the user and for scripts.
void print_error(const pyglue::Globals& g, const Line& line);

// Whether the input path named on the command line is missing; then it says so on standard
// error ("<what> bulunamadı: '<path>'") and the command ends with 1 before creating anything.
bool input_is_missing(const pyglue::Globals& g, nb::handle path, const char* what);

}  // namespace trakvia::app
