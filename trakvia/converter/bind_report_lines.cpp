// The printed lines that report a conversion. The command line and the window both print them
// from here, so the two never word or round a result differently.
#include "bindings.hpp"

#include "pyglue/def.hpp"

#include <array>

namespace trakvia::converter {

namespace {

constexpr auto kReportParams = std::to_array<pyglue::ParamDef>({
    {"input_path", "str"},
    {"result", "ConversionResult"},
});

// Reads only the result's attributes (any object that has them will do), formatted as the
// interpreter's format() does, so a number is rounded the same way wherever it is printed.
nb::object conversion_report_line(const pyglue::Globals&, const pyglue::Args<kReportParams>& args) {
    const nb::object& result = args["result"];
    nb::object basename = nb::module_::import_("os").attr("path").attr("basename");
    nb::object km = result.attr("total_distance_m") / nb::float_(1000.0);
    return nb::str("[OK] {} -> {} nokta, {:.2f} km, Maks Hız: {:.1f} km/s, Güç: {:.0f} W, Çıktılar: {} dosya")
        .format(basename(args["input_path"]), result.attr("filtered_point_count"), km, result.attr("max_speed_kmh"),
                result.attr("max_power_w"), nb::len(nb::object(result.attr("output_files"))));
}

constexpr auto kTrackParams = std::to_array<pyglue::ParamDef>({{"result", "ConversionResult"}});

nb::object imported_track_line(const pyglue::Globals&, const pyglue::Args<kTrackParams>& args) {
    const nb::object& result = args["result"];
    return nb::str("  -> GPX Dönüştürüldü: {} ({} nokta, {:.0f} m)")
        .format(result.attr("track_name"), result.attr("filtered_point_count"), result.attr("total_distance_m"));
}

constinit const pyglue::Definition conversion_report_line_def = pyglue::def<kReportParams, conversion_report_line>(
    {.name = "conversion_report_line",
     .returns = "str",
     .doc = "Bir dosyanın dönüştürme satırı: \"[OK] DJI_0001.SRT -> 1523 nokta, 2.46 km, Maks Hız: 48.2 km/s, "
            "Güç: 212 W, Çıktılar: 4 dosya\"."});

constinit const pyglue::Definition imported_track_line_def = pyglue::def<kTrackParams, imported_track_line>(
    {.name = "imported_track_line",
     .returns = "str",
     .doc = "İçe aktarılan bir SRT'den üretilen izin satırı: \"  -> GPX Dönüştürüldü: DJI_0001 (12 nokta, 100 m)\"."});

}  // namespace

void bind_report_lines(nb::module_& m) {
    pyglue::add_function(m, conversion_report_line_def);
    pyglue::add_function(m, imported_track_line_def);
}

}  // namespace trakvia::converter
