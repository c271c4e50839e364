// Font tags of DJI subtitles: the size attribute, however the tag spaces and quotes it.
#include "srt_font_tag.hpp"

#include <algorithm>

#include "numbers.hpp"

namespace trakvia::engine {

namespace {

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string_view font_size_of(std::string_view tag) {
    auto word_end = [&](std::size_t p) {
        while (p < tag.size() && is_ascii_letter(tag[p])) ++p;
        return p;
    };
    std::size_t p = num::skip_spaces(tag, 1);
    std::size_t end = word_end(p);
    if (tag.substr(p, end - p) != "font") return {};
    for (p = end; p < tag.size();) {
        p = num::skip_spaces(tag, p);
        end = word_end(p);
        if (end == p) {
            ++p;  // a character no attribute name has
            continue;
        }
        const std::string_view attribute = tag.substr(p, end - p);
        p = num::skip_spaces(tag, end);
        if (p >= tag.size() || tag[p] != '=') continue;  // an attribute without a value
        p = num::skip_spaces(tag, p + 1);
        std::string_view value;
        if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
            const std::size_t close = std::min(tag.find(tag[p], p + 1), tag.size());
            value = tag.substr(p + 1, close - p - 1);
            p = close + 1;
        } else {
            end = p;
            while (end < tag.size() && !num::is_space(tag[end])) ++end;
            value = tag.substr(p, end - p);
            p = end;
        }
        if (attribute == "size") return value;
    }
    return {};
}

}  // namespace trakvia::engine
