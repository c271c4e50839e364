// Small tracks and helpers shared by the writer and conversion tests.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "trakvia/engine/writers.hpp"

namespace trakvia::engine::test {

inline constexpr std::int64_t kMay1st0700Utc = 1714546800000;  // 2024-05-01T07:00:00Z

// Three fixes 1 s apart going north at 41 N 29 E, climbing from 60 m above sea level.
inline Track three_point_track() {
    Track t;
    t.name = "DJI_0001";
    t.source_file = "/kart/DCIM/DJI_001/DJI_0001.SRT";
    t.times_are_utc = true;
    t.has_wall_clock = true;
    t.elevation_kind = AltitudeKind::absolute;
    const double lat[] = {41.0, 41.0001, 41.0002};
    const double speed[] = {0.0, 11.12, 11.125};
    for (int i = 0; i < 3; ++i) {
        TrackPoint p;
        p.lat_deg = lat[i];
        p.lon_deg = 29.0;
        p.cue_s = i;
        p.time_ms = kMay1st0700Utc + i * 1000 + (i == 2 ? 33 : 0);
        p.set_altitude(AltitudeKind::absolute, 60.0 + i);
        p.set_altitude(AltitudeKind::relative, 0.5 * i);
        p.speed_mps = speed[i];
        t.points.push_back(p);
    }
    return t;
}

// Without a date: SRT cue times only.
inline Track without_clock(Track t) {
    t.has_wall_clock = false;
    t.times_are_utc = false;
    for (auto& p : t.points) p.time_ms.reset();
    return t;
}

inline Track without_elevation(Track t) {
    t.elevation_kind.reset();
    return t;
}

// Five points in two spans (3 + 2) crossing into the south-western quadrant.
inline Track two_segment_track() {
    Track t = three_point_track();
    for (int i = 0; i < 2; ++i) {
        TrackPoint p = t.points[std::size_t(i)];
        p.lat_deg = -33.8568 - 0.0001 * i;
        p.lon_deg = -70.6483;
        p.cue_s = 10 + i;
        p.time_ms = kMay1st0700Utc + 10000 + i * 1000;
        p.segment_start = i == 0;
        t.points.push_back(p);
    }
    return t;
}

inline std::string render(OutputFormat format, const Track& track) {
    std::ostringstream out;
    writer_for(format).write(out, track);
    return out.str();
}

// Runs a shell command and returns what it printed on standard output.
inline std::string run_command(const std::string& command, int* status = nullptr) {
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return text;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, n);
    const int rc = pclose(pipe);
    if (status) *status = rc;
    return text;
}

inline bool have_program(const std::string& name) {
    int status = 0;
    run_command("command -v " + name + " >/dev/null 2>&1", &status);
    return status == 0;
}

// A fresh, empty folder under the system temp folder, removed with the object.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag) {
        path_ = std::filesystem::temp_directory_path() /
                ("trakvia-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::filesystem::path path_;
};

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_file(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

}  // namespace trakvia::engine::test
