// The writer registry: one writer object per output format.
#include <stdexcept>
#include <string>

#include "writers/format_writers.hpp"

namespace trakvia::engine {

const TrackWriter& writer_for(OutputFormat format) {
    switch (format) {
        case format_gpx: return writers::gpx_writer();
        case format_kml: return writers::kml_writer();
        case format_geojson: return writers::geojson_writer();
        case format_csv: return writers::csv_writer();
        case format_nmea: return writers::nmea_writer();
        case format_mgjson: return writers::mgjson_writer();
    }
    throw std::invalid_argument("no writer for output format bits " + std::to_string(unsigned(format)));
}

}  // namespace trakvia::engine
