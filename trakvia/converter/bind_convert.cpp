// convert_srt_file, its result type ConversionResult, and ALL_SUPPORTED_EXTENSIONS.
#include "bindings.hpp"

#include <nanobind/stl/string.h>

#include "trakvia/engine/convert.hpp"

namespace trakvia::converter {

namespace {

using engine::ConvertReport;

nb::list text_list(const std::vector<std::string>& texts) {
    nb::list out;
    for (const auto& t : texts) out.append(nb::str(t.c_str(), t.size()));
    return out;
}

nb::object optional_int(const std::optional<int>& v) { return v ? nb::cast(*v) : nb::none(); }

// A text made from a file name: bytes that are no UTF-8 (any are allowed on Linux) survive as
// surrogates, as os.fsdecode keeps them, instead of failing the whole result.
nb::str name_text(const std::string& name) {
    PyObject* text = PyUnicode_DecodeUTF8(name.data(), Py_ssize_t(name.size()), "surrogateescape");
    if (!text) throw nb::python_error();
    return nb::steal<nb::str>(text);
}

}  // namespace

void bind_convert(nb::module_& m) {
    nb::class_<ConvertReport>(m, "ConversionResult", "Bir dönüştürmenin sonucu: nokta sayıları, ölçümler, yazılan dosyalar.")
        .def_prop_ro("track_name", [](const ConvertReport& r) { return name_text(r.track_name); },
                     "İz adı: uzantısız giriş dosyası adı.")
        .def_ro("raw_point_count", &ConvertReport::raw_point_count, "Okunan telemetri kaydı sayısı.")
        .def_ro("valid_point_count", &ConvertReport::valid_point_count, "Geçerli konumu olan kayıt sayısı.")
        .def_ro("filtered_point_count", &ConvertReport::filtered_point_count, "Örneklemeden sonra yazılan nokta sayısı.")
        .def_ro("total_distance_m", &ConvertReport::total_distance_m, "Toplam mesafe (metre).")
        .def_ro("max_speed_kmh", &ConvertReport::max_speed_kmh, "En yüksek hız (km/s).")
        .def_ro("max_power_w", &ConvertReport::max_power_w, "En yüksek güç (watt).")
        .def_ro("duration_s", &ConvertReport::duration_s, "Süre (saniye).")
        .def_ro("time_source", &ConvertReport::time_source, "Zaman damgalarının kaynağı.")
        .def_ro("elevation_source", &ConvertReport::elevation_source, "Yükseklik olarak yazılan tür; yoksa boş.")
        .def_prop_ro("utc_offset_minutes", [](const ConvertReport& r) { return optional_int(r.utc_offset_minutes); },
                     "Uygulanan UTC farkı (dakika) ya da None.")
        .def_prop_ro("output_files", [](const ConvertReport& r) { return paths_to_python(r.output_files); },
                     "Yazılan dosyaların yolları.")
        .def_prop_ro("warnings", [](const ConvertReport& r) { return text_list(r.warnings); }, "Uyarılar.")
        .def("__repr__", [](const ConvertReport& r) {
            return nb::str("ConversionResult(track_name={!r}, filtered_point_count={!r}, total_distance_m={!r}, "
                           "max_speed_kmh={!r}, max_power_w={!r}, output_files={!r})")
                .format(name_text(r.track_name), r.filtered_point_count,
                        r.total_distance_m, r.max_speed_kmh, r.max_power_w, paths_to_python(r.output_files));
        });

    m.def(
        "convert_srt_file",
        [](nb::handle input_path, nb::handle output_dir, const engine::ConvertOptions* options) {
            const std::filesystem::path input = path_from_python(input_path);
            const std::filesystem::path output = path_from_python(output_dir);
            const engine::ConvertOptions settings = options ? *options : engine::ConvertOptions{};
            return call_engine([&] { return engine::convert_file(input, output, settings); }, &input);
        },
        nb::arg("input_path"), nb::arg("output_dir"), nb::arg("options").none() = nb::none(),
        nb::sig("def convert_srt_file(input_path: str | os.PathLike, output_dir: str | os.PathLike, "
                "options: ConversionOptions | None = None) -> ConversionResult"),
        "Bir telemetri (SRT) ya da GPX dosyasını seçilen biçimlerde GPS izlerine dönüştürür ve\n"
        "dosyaları output_dir klasörüne yazar. Sonuç: ConversionResult.");

    m.attr("ALL_SUPPORTED_EXTENSIONS") = nb::tuple(text_list(engine::supported_extensions()));
}

}  // namespace trakvia::converter
