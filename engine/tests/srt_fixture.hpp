// Builds short SRT texts for the pipeline tests.
#pragma once

#include <cstdio>
#include <string>

namespace trakvia::engine::testing {

// One Mavic 3 style block (L4). `wall` is "2024-05-23 17:36:01.877"-style text or empty.
inline std::string l4_block(int index, double cue_s, const std::string& wall, double lat, double lon,
                            double rel_alt = 10.0, double abs_alt = 300.0) {
    auto cue = [](double s) {
        long ms = long(s * 1000 + 0.5);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld,%03ld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        return std::string(buf);
    };
    char body[256];
    std::snprintf(body, sizeof body, "[latitude: %.6f] [longitude: %.6f] [rel_alt: %.3f abs_alt: %.3f]", lat, lon,
                  rel_alt, abs_alt);
    std::string out = std::to_string(index) + "\n" + cue(cue_s) + " --> " + cue(cue_s + 0.033) + "\n" +
                      "<font size=\"28\">FrameCnt: " + std::to_string(index) + ", DiffTime: 33ms\n";
    if (!wall.empty()) out += wall + "\n";
    out += std::string(body) + " </font>\n\n";
    return out;
}

}  // namespace trakvia::engine::testing
