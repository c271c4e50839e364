// rename_no_replace on POSIX: renameat2(RENAME_NOREPLACE) on Linux, else test and rename.
#ifndef _WIN32
#include "no_replace_rename.hpp"

#include "pyglue_names.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace trakvia::mediadesk {

namespace {

bool test_then_rename(const pyglue::Globals& g, nb::handle from, nb::handle to) {
    nb::object os = g["os"];
    if (is_true(os.attr("path").attr("lexists")(to))) {
        return false;
    }
    os.attr("rename")(from, to);
    return true;
}

}  // namespace

bool rename_no_replace(const pyglue::Globals& g, nb::handle from, nb::handle to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    nb::object fsencode = g["os"].attr("fsencode");
    nb::bytes from_bytes = nb::borrow<nb::bytes>(fsencode(from));
    nb::bytes to_bytes = nb::borrow<nb::bytes>(fsencode(to));
    if (::renameat2(AT_FDCWD, from_bytes.c_str(), AT_FDCWD, to_bytes.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    const int error = errno;
    if (error == EEXIST) {
        return false;
    }
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) {
        PyErr_SetFromErrnoWithFilenameObjects(PyExc_OSError, from.ptr(), to.ptr());
        throw nb::python_error();
    }
#endif
    return test_then_rename(g, from, to);
}

}  // namespace trakvia::mediadesk
#endif
