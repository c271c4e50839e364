// Native paths as the interpreter's str, the same way in every module.
#pragma once

#include <nanobind/nanobind.h>

#include <filesystem>

namespace pyglue {

namespace nb = nanobind;

// `path` as the str the interpreter would give for it: os.fsdecode of the bytes on POSIX
// (undecodable bytes survive as surrogates), the UTF-16 text as it is on Windows. An empty path
// gives "". Throws nb::python_error.
nb::str path_to_str(const std::filesystem::path& path);

}  // namespace pyglue
