// Shared by the fuzz targets: feed bytes through a source that hands them out in small,
// input-chosen chunks (so buffer edges are exercised), run the whole pipeline, and write
// every format of the result to memory.
#pragma once

#include <cstdint>
#include <sstream>
#include <string_view>

#include "pipeline.hpp"
#include "trakvia/engine/writers.hpp"

namespace trakvia::engine::fuzzing {

inline void run(const std::uint8_t* data, std::size_t size, InputKind kind) {
    if (size == 0) return;
    const unsigned control = data[0];
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t chunk = (control & 0x0F) == 0 ? SIZE_MAX : (control & 0x0F);
    TextSource source = TextSource::from_memory(bytes, chunk);
    ConvertOptions options;
    options.sample_mode = static_cast<SampleMode>((control >> 4) & 3);
    if (control & 0x40) options.utc_offset_minutes = int(control) - 128;
    // A stand-in zone lookup (an hour per 15 degrees of longitude) so that the position-zone
    // path runs too; the high bit leaves it out, as when no lookup is available.
    ZoneResolver zones;
    if (!(control & 0x80))
        zones = [](double, double lon, std::int64_t, bool) -> std::optional<ZoneOffset> {
            return ZoneOffset{"Fuzz/Zone", int(lon / 15.0) * 60};
        };
    BuiltTrack built = build_track(source, kind, options, zones);
    if (built.track.points.size() > 2000) return;
    for (OutputFormat format : kAllOutputFormats) {
        std::ostringstream out;
        writer_for(format).write(out, built.track);
    }
}

}  // namespace trakvia::engine::fuzzing
