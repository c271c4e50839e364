// Shared declarations of the trakvia.converter binding: one bind_* function per area,
// the path conversions and the exception seam.
#pragma once

#include <nanobind/nanobind.h>

#include <exception>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "trakvia/engine/convert.hpp"

namespace trakvia::converter {

namespace nb = nanobind;

void bind_errors(nb::module_& m);
void bind_options(nb::module_& m);
void bind_convert(nb::module_& m);
void bind_samples(nb::module_& m);
void bind_choices(nb::module_& m);
void bind_output_names(nb::module_& m);
void bind_report_lines(nb::module_& m);
void bind_track(nb::module_& m);

// The engine's time-zone lookup from a position (zone_lookup.cpp); takes the GIL itself.
engine::ZoneResolver zone_resolver();

// The options argument of the module's functions: None gives `fallback`; anything but a
// ConversionOptions is a TypeError.
engine::ConvertOptions options_from_python(nb::handle options, const engine::ConvertOptions& fallback);

// A warning of the engine in Turkish (warning_text.cpp).
nb::str warning_text(const engine::ConvertWarning& warning);

// str, bytes or os.PathLike → native path, losslessly: os.fsencode bytes on POSIX, the wide
// string on Windows. Raises TypeError / ValueError (embedded NUL) as the interpreter's own
// path functions do.
std::filesystem::path path_from_python(nb::handle obj);

// Native path → str (os.fsdecode on POSIX, so undecodable bytes survive as surrogates).
nb::str path_to_python(const std::filesystem::path& path);
// Native paths → list of str, each as path_to_python.
nb::list paths_to_python(const std::vector<std::filesystem::path>& paths);

// The exception seam (errors.cpp): sets the Python exception that stands for `error`, throws
// nb::python_error. `filename` names the file an InputError is about.
[[noreturn]] void raise_engine_error(std::exception_ptr error,
                                     const std::filesystem::path* filename = nullptr);

// Runs engine work without the GIL and raises its exception, if any, through the seam.
template <class F>
auto call_engine(F&& work, const std::filesystem::path* filename = nullptr) {
    std::exception_ptr failure;
    std::optional<decltype(work())> result;
    {
        nb::gil_scoped_release unlocked;
        try {
            result.emplace(work());
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (failure) {
        raise_engine_error(failure, filename);
    }
    return std::move(*result);
}

}  // namespace trakvia::converter
