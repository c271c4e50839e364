// Report lines of the commands: one formatter for what the command line prints.
#pragma once

#include "pyglue/globals.hpp"

namespace trakvia::app {

namespace nb = nanobind;

// `format(value, spec)` with the interpreter's built-in format, found through the namespace.
nb::object fixed(const pyglue::Globals& g, nb::handle value, const char* spec);

// `len(value)` with the built-in len, found through the namespace.
nb::object length(const pyglue::Globals& g, nb::handle value);

// `value / divisor` with the interpreter's true division.
nb::object divided(nb::handle value, nb::handle divisor);

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

}  // namespace trakvia::app
