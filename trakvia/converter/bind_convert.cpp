// convert_srt_file, its result type ConversionResult, and ALL_SUPPORTED_EXTENSIONS.
#include "bindings.hpp"

#include <nanobind/stl/string.h>

#include "pyglue/function.hpp"
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

nb::list warning_texts(const ConvertReport& r) {
    nb::list out;
    for (const auto& w : r.warnings) out.append(warning_text(w));
    return out;
}

// (code, count, first_line) per warning, for callers that filter them.
nb::list warning_codes(const ConvertReport& r) {
    nb::list out;
    for (const auto& w : r.warnings)
        out.append(nb::make_tuple(nb::str(engine::warning_code_name(w.code)), w.count, w.first_line));
    return out;
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
        .def_ro("duration_s", &ConvertReport::duration_s,
                "Kaydedilen süre (saniye): her kaydın ilk ve son geçerli noktası arası, toplamı; birleştirilmiş "
                "kayıtlar arasındaki boşluklar sayılmaz.")
        .def_ro("elapsed_s", &ConvertReport::elapsed_s, "İlk ve son geçerli nokta arasında geçen süre (saniye), boşluklar dahil.")
        .def_ro("time_source", &ConvertReport::time_source,
                "Zaman damgalarının kaynağı: 'wall_clock_position_zone' (konumun saat dilimi), "
                "'wall_clock_computer_zone', 'wall_clock_given_offset', 'utc', 'cue' ya da 'none'.")
        .def_ro("time_zone", &ConvertReport::time_zone, "İlk konumun saat dilimi (IANA adı, ör. 'Europe/Istanbul'); yoksa boş.")
        .def_ro("elevation_source", &ConvertReport::elevation_source, "Yükseklik olarak yazılan tür; yoksa boş.")
        .def_prop_ro("utc_offset_minutes", [](const ConvertReport& r) { return optional_int(r.utc_offset_minutes); },
                     "Uygulanan UTC farkı (dakika) ya da None.")
        .def_prop_ro("output_files", [](const ConvertReport& r) { return paths_to_python(r.output_files); },
                     "Yazılan dosyaların yolları.")
        .def_prop_ro("warnings", &warning_texts, "Uyarılar (Türkçe metinler).")
        .def_prop_ro("warning_codes", &warning_codes,
                     "Uyarılar kod olarak: (kod, sayı, ilk satır) üçlüleri; satır bilinmiyorsa 0.")
        .def("__repr__", [](const ConvertReport& r) {
            return nb::str("ConversionResult(track_name={!r}, filtered_point_count={!r}, total_distance_m={!r}, "
                           "max_speed_kmh={!r}, max_power_w={!r}, output_files={!r})")
                .format(name_text(r.track_name), r.filtered_point_count,
                        r.total_distance_m, r.max_speed_kmh, r.max_power_w, paths_to_python(r.output_files));
        });

    pyglue::FunctionSpec convert;
    convert.name = "convert_srt_file";
    convert.doc =
        "Bir telemetri (SRT) ya da GPX dosyasını seçilen biçimlerde GPS izlerine dönüştürür ve\n"
        "dosyaları output_dir klasörüne yazar. Sonuç: ConversionResult.";
    convert.params = {{"input_path", "str | os.PathLike", nb::object()},
                      {"output_dir", "str | os.PathLike", nb::object()},
                      {"options", "ConversionOptions | None", nb::none()}};
    convert.return_annotation = "ConversionResult";
    convert.body = [](const pyglue::Globals&, const std::vector<nb::object>& args) -> nb::object {
        const std::filesystem::path input = path_from_python(args[0]);
        const std::filesystem::path output = path_from_python(args[1]);
        const engine::ConvertOptions settings = options_from_python(args[2], engine::ConvertOptions{});
        const engine::RunContext context{zone_resolver(), {}, {}};
        return nb::cast(call_engine([&] { return engine::convert_file(input, output, settings, context); }, &input));
    };
    pyglue::add_function(m, std::move(convert));

    m.attr("ALL_SUPPORTED_EXTENSIONS") = nb::tuple(text_list(engine::supported_extensions()));
}

}  // namespace trakvia::converter
