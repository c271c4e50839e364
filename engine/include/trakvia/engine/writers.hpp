// Track writers: one per output format behind a small interface, and the atomic file write.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string_view>

#include "trakvia/engine/convert.hpp"
#include "trakvia/engine/track.hpp"

namespace trakvia::engine {

class TrackWriter {
public:
    virtual ~TrackWriter() = default;
    virtual OutputFormat format() const = 0;
    virtual std::string_view extension() const = 0;  // with the dot, e.g. ".gpx"
    virtual void write(std::ostream& out, const Track& track) const = 0;
};

// The writer of one format (the registry); std::invalid_argument for anything but one
// OutputFormat bit.
const TrackWriter& writer_for(OutputFormat format);

// Every format in the order the writers are run and reported.
inline constexpr std::array<OutputFormat, 6> kAllOutputFormats{
    format_gpx, format_kml, format_geojson, format_csv, format_nmea, format_mgjson};

// Writes to a temporary name in the same folder and renames it over `target` when `fill`
// returned normally, so a crash or an exception never leaves half a file under the real name.
// A failed write (disk full, folder missing, a stream left failed by `fill`) throws
// std::filesystem::filesystem_error; on any exception the temporary file is removed and an existing
// `target` is left as it was.
void write_file_atomically(const std::filesystem::path& target,
                           const std::function<void(std::ostream&)>& fill);

}  // namespace trakvia::engine
