// Line-level reading of SRT text: a line without what surrounds it, and the times of a cue line.
#pragma once

#include <cstddef>
#include <string_view>

namespace trakvia::engine {

// `s` without surrounding white space and NUL bytes, and without byte order marks at its start
// (a BOM stands there when files were joined onto one another).
std::string_view trim_line(std::string_view s);

// Reads a cue time at `p` into `seconds`: "00:01:02,345", also with '.', seconds of 60, and more
// than three fraction digits meaning milliseconds above 999 (both seen in Matrice 300 files).
// Advances `p` past it; false when no time stands there.
bool parse_cue_time(std::string_view s, std::size_t& p, double& seconds);

}  // namespace trakvia::engine
