// Whether a path names a regular file itself, as os.lstat sees it.
#pragma once

#include "pyglue/globals.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

// Whether `path` is a regular file itself, not a link to one nor a folder or device (os.lstat);
// a path that cannot be examined is none.
inline bool is_plain_file(const pyglue::Globals& g, nb::handle path) {
    constexpr long kTypeMask = 0170000, kRegular = 0100000;  // S_IFMT, S_IFREG: the same on Windows
    try {
        nb::object status = g["os"].attr(pyglue::interned("lstat"))(path);
        const long mode = nb::cast<long>(status.attr(pyglue::interned("st_mode")));
        return (mode & kTypeMask) == kRegular;
    } catch (const nb::python_error& e) {
        if (!e.matches(PyExc_OSError)) {
            throw;
        }
        return false;
    }
}

}  // namespace trakvia::mediadesk
