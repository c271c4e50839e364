// The conversions of one command run, convert or import.
#pragma once

#include "pyglue/globals.hpp"

#include <utility>

namespace trakvia::app {

namespace nb = nanobind;

// The conversions of one command: its inputs and the outputs written so far are files no later
// output of the same command may replace.
class ConversionRun {
public:
    ConversionRun(nb::object options, nb::handle inputs) : options_(std::move(options)), kept_(nb::list(inputs)) {}

    nb::object convert(const pyglue::Globals& g, nb::handle path, nb::handle output_dir) {
        nb::setattr(options_, "keep_paths", kept_);
        nb::object result = g["convert_srt_file"](path, output_dir, options_);
        for (nb::handle written : nb::iter(result.attr("output_files"))) {
            kept_.append(written);
        }
        return result;
    }

private:
    nb::object options_;
    nb::list kept_;
};

}  // namespace trakvia::app
