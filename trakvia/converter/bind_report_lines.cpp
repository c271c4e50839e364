// The printed lines that report a conversion. The command line and the window both print them
// from here, so the two never word or round a result differently.
#include "bindings.hpp"

namespace trakvia::converter {

namespace {

// Reads only the result's attributes (any object that has them will do), formatted as the
// interpreter's format() does, so a number is rounded the same way wherever it is printed.
nb::str conversion_report_line(nb::handle input_path, nb::handle result) {
    nb::object basename = nb::module_::import_("os").attr("path").attr("basename");
    nb::object km = result.attr("total_distance_m") / nb::float_(1000.0);
    return nb::str("[OK] {} -> {} nokta, {:.2f} km, Maks Hız: {:.1f} km/s, Güç: {:.0f} W, Çıktılar: {} dosya")
        .format(basename(input_path), result.attr("filtered_point_count"), km, result.attr("max_speed_kmh"),
                result.attr("max_power_w"), nb::len(nb::object(result.attr("output_files"))));
}

nb::str imported_track_line(nb::handle result) {
    return nb::str("  -> GPX Dönüştürüldü: {} ({} nokta, {:.0f} m)")
        .format(result.attr("track_name"), result.attr("filtered_point_count"), result.attr("total_distance_m"));
}

}  // namespace

void bind_report_lines(nb::module_& m) {
    m.def("conversion_report_line", &conversion_report_line, nb::arg("input_path"), nb::arg("result"),
          nb::sig("def conversion_report_line(input_path: str, result: ConversionResult) -> str"),
          "Bir dosyanın dönüştürme satırı: \"[OK] DJI_0001.SRT -> 1523 nokta, 2.46 km, Maks Hız: 48.2 km/s, "
          "Güç: 212 W, Çıktılar: 4 dosya\".");
    m.def("imported_track_line", &imported_track_line, nb::arg("result"),
          nb::sig("def imported_track_line(result: ConversionResult) -> str"),
          "İçe aktarılan bir SRT'den üretilen izin satırı: \"  -> GPX Dönüştürüldü: DJI_0001 (12 nokta, 100 m)\".");
}

}  // namespace trakvia::converter
