// _RE_DJI_INDEX and os.path.splitext for ASCII names, without the interpreter.
//
// The pattern, searched case-insensitively:
//   (?:DJI_(?:\d{8,14}_)?|dji_|MAVIC_|AVATA_|OSMO_|GX|GH|GP|VID_)?(\d{3,4})(?:_[A-Z0-9]+)?\.(EXT)$
// Its tail fixes most of the match: `$` stands at the end or before a final "\n"; the extension
// contains no dot, so `\.` is the last dot before that point; the optional suffix is letters and
// digits, so it runs from a "_" to that dot. What remains is where the index starts, tried in the
// order the backtracking engine tries it: start positions from the left, then the prefixes in
// their written order (the stamp after "DJI_" before no stamp), the empty prefix last, then four
// digits before three.
#include "media_name.hpp"

#include <array>

namespace trakvia::mediadesk {

namespace {

constexpr std::array<std::string_view, 18> kIndexExtensions = {
    "mp4", "mov", "osv", "insv", "360", "mkv", "avi", "webm", "mts",
    "m2ts", "ts", "flv", "wmv", "m4v", "3gp", "srt", "lrf", "gpx"};

// The prefixes after "DJI_" (which is tried apart, for its optional stamp), in written order.
// "dji_" reads the same text as "DJI_" without a stamp and so finds nothing new; it stays for
// the order's sake.
constexpr std::array<std::string_view, 8> kOtherPrefixes = {"dji_", "MAVIC_", "AVATA_", "OSMO_",
                                                            "GX",   "GH",     "GP",     "VID_"};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool is_alnum(char c) { return is_digit(c) || (lower(c) >= 'a' && lower(c) <= 'z'); }

bool equals_ignoring_case(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (lower(text[i]) != lower(word[i])) {
            return false;
        }
    }
    return true;
}

bool starts_with_ignoring_case(std::string_view text, size_t at, std::string_view word) {
    return at + word.size() <= text.size() && equals_ignoring_case(text.substr(at, word.size()), word);
}

size_t digits_from(std::string_view text, size_t at) {
    size_t n = 0;
    while (at + n < text.size() && is_digit(text[at + n])) {
        ++n;
    }
    return n;
}

// The part of a name the index group and the suffix must fill: `body` is everything before the
// extension's dot, `suffix_from` the first position from which only letters and digits run up
// to that dot.
struct Body {
    std::string_view text;
    size_t suffix_from;

    // (\d{3,4})(?:_[A-Z0-9]+)? filling text[at:] exactly: the index, or nullopt.
    std::optional<int> index_at(size_t at) const {
        for (size_t width : {size_t(4), size_t(3)}) {
            if (at + width > text.size() || digits_from(text, at) < width) {
                continue;
            }
            const size_t after = at + width;
            const bool fits = after == text.size() ||
                              (text[after] == '_' && after + 1 < text.size() && after + 1 >= suffix_from);
            if (fits) {
                int index = 0;
                for (size_t i = at; i < after; ++i) {
                    index = index * 10 + (text[i] - '0');
                }
                return index;
            }
        }
        return std::nullopt;
    }

    // The whole pattern before the dot, starting at `start`.
    std::optional<int> match_at(size_t start) const {
        if (starts_with_ignoring_case(text, start, "DJI_")) {
            const size_t stamp_at = start + 4;
            const size_t stamp = digits_from(text, stamp_at);
            // \d{8,14}_ : the "_" must follow the digits, so only the whole run can be the stamp.
            if (stamp >= 8 && stamp <= 14 && stamp_at + stamp < text.size() && text[stamp_at + stamp] == '_') {
                if (auto index = index_at(stamp_at + stamp + 1)) {
                    return index;
                }
            }
            if (auto index = index_at(stamp_at)) {
                return index;
            }
        }
        for (std::string_view prefix : kOtherPrefixes) {
            if (starts_with_ignoring_case(text, start, prefix)) {
                if (auto index = index_at(start + prefix.size())) {
                    return index;
                }
            }
        }
        return index_at(start);
    }
};

}  // namespace

bool is_ascii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::optional<IndexedName> search_dji_index(std::string_view name) {
    // `$` matches at the end, and before a "\n" that ends the name.
    const size_t end = (!name.empty() && name.back() == '\n') ? name.size() - 1 : name.size();
    const size_t dot = name.substr(0, end).rfind('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view ext = name.substr(dot + 1, end - dot - 1);
    bool known = false;
    for (std::string_view candidate : kIndexExtensions) {
        known = known || equals_ignoring_case(ext, candidate);
    }
    if (!known) {
        return std::nullopt;
    }
    Body body{name.substr(0, dot), dot};
    while (body.suffix_from > 0 && is_alnum(name[body.suffix_from - 1])) {
        --body.suffix_from;
    }
    for (size_t start = 0; start + 3 <= dot; ++start) {
        if (auto index = body.match_at(start)) {
            return IndexedName{*index, ext};
        }
    }
    return std::nullopt;
}

std::string_view last_extension(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find_first_not_of('.') >= dot) {
        return {};
    }
    return name.substr(dot + 1);
}

}  // namespace trakvia::mediadesk
