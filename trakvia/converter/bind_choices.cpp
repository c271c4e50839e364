// The converter's choice tables as the window offers them: sampling modes and output formats
// with their Turkish titles, and the folder a conversion writes to when none is given.
#include "bindings.hpp"

#include "pyglue/tables.hpp"

namespace trakvia::converter {

namespace {

// Keys as ConversionOptions takes them, titles as the window names them.
constexpr pyglue::Choice kSampleModeTitles[] = {
    {"all", "Tüm noktalar"},
    {"1hz", "Saniyede 1 nokta (1 Hz)"},
    {"5s", "5 saniyede 1 nokta"},
    {"dist2m", "2 metrede bir nokta"},
};

constexpr pyglue::Choice kOutputFormatTitles[] = {
    {"gpx", "GPX"}, {"kml", "KML"}, {"geojson", "GeoJSON"}, {"csv", "CSV"}, {"nmea", "NMEA"}, {"mgjson", "MGJSON"},
};

}  // namespace

void bind_choices(nb::module_& m) {
    m.attr("SAMPLE_MODES") = pyglue::choice_tuple(kSampleModeTitles);
    m.attr("OUTPUT_FORMATS") = pyglue::choice_tuple(kOutputFormatTitles);
    m.attr("DEFAULT_OUTPUT_FOLDER") = nb::str("Cikti_GPX");
}

}  // namespace trakvia::converter
