// How a media file name reads, decided in C++ for names made of ASCII characters only.
//
// The scan's rules are the interpreter's: the compiled _RE_DJI_INDEX (case-insensitive) and
// os.path.splitext. For ASCII names these functions give exactly what those give; a name with
// any other character is left to the interpreter, whose case folding and \d are Unicode-wide
// ("ı" matches I, "K" (Kelvin) matches k, Arabic-Indic digits are digits).
#pragma once

#include <optional>
#include <string_view>

namespace trakvia::mediadesk {

// What _RE_DJI_INDEX.search finds in a name: group 1 as a number, group 2 as written.
struct IndexedName {
    int index;
    std::string_view ext;
};

bool is_ascii(std::string_view text);

// _RE_DJI_INDEX.search(name) for an ASCII name: the leftmost match, with the groups of the
// first alternative the interpreter's backtracking reaches there.
std::optional<IndexedName> search_dji_index(std::string_view ascii_name);

// os.path.splitext(name)[1].lstrip("."): the name's last extension without its dot, or "" when
// there is none (no dot, or only leading dots as in ".mp4").
std::string_view last_extension(std::string_view name);

}  // namespace trakvia::mediadesk
