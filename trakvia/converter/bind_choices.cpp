// The converter's choice tables as the window offers them: sampling modes and output formats
// with their Turkish titles, and the folder a conversion writes to when none is given.
#include "bindings.hpp"

namespace trakvia::converter {

namespace {

struct Titled {
    const char* key;    // what ConversionOptions takes
    const char* title;  // how the window names it
};

constexpr Titled kSampleModeTitles[] = {
    {"all", "Tüm noktalar"},
    {"1hz", "Saniyede 1 nokta (1 Hz)"},
    {"5s", "5 saniyede 1 nokta"},
    {"dist2m", "2 metrede bir nokta"},
};

constexpr Titled kOutputFormatTitles[] = {
    {"gpx", "GPX"}, {"kml", "KML"}, {"geojson", "GeoJSON"}, {"csv", "CSV"}, {"nmea", "NMEA"}, {"mgjson", "MGJSON"},
};

template <std::size_t N>
nb::tuple titled_pairs(const Titled (&table)[N]) {
    nb::list pairs;
    for (const Titled& t : table) {
        pairs.append(nb::make_tuple(nb::str(t.key), nb::str(t.title)));
    }
    return nb::tuple(pairs);
}

}  // namespace

void bind_choices(nb::module_& m) {
    m.attr("SAMPLE_MODES") = titled_pairs(kSampleModeTitles);
    m.attr("OUTPUT_FORMATS") = titled_pairs(kOutputFormatTitles);
    m.attr("DEFAULT_OUTPUT_FOLDER") = nb::str("Cikti_GPX");
}

}  // namespace trakvia::converter
