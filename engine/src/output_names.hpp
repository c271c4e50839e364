// Where the files of one conversion go: one stem for all its formats, never onto a file the run
// must keep, and replacing an existing file only when it is an earlier track of this program.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "trakvia/engine/convert.hpp"

namespace trakvia::engine {

// The stem of the output files for a track called `name`: `name` itself when every requested
// extension is free there or holds a replaceable earlier output, else name_2, name_3 ... A file
// is never replaced when it is the input, one of `keep` (the run's inputs and the outputs it has
// written), not a regular file of its own, read-only, or not recognisably written by this
// program for an input called `source_name` (see written_by_trakvia).
std::string output_stem(const std::filesystem::path& output_dir, const std::string& name,
                        const std::vector<std::string_view>& extensions, const std::filesystem::path& input,
                        const std::string& source_name, const std::vector<std::filesystem::path>& keep);

}  // namespace trakvia::engine
