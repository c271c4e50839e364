// ConversionOptions: the engine's ConvertOptions, built with keywords and checked on every set.
#include "bindings.hpp"

#include <nanobind/stl/string.h>

#include <array>
#include <string>
#include <string_view>

#include "trakvia/engine/convert.hpp"

namespace trakvia::converter {

namespace {

using engine::AltitudeKind;
using engine::ConvertOptions;
using engine::SampleMode;

template <class T>
struct Choice {
    const char* name;
    T value;
};

constexpr std::array<Choice<SampleMode>, 4> kSampleModes{{
    {"all", SampleMode::all}, {"1hz", SampleMode::hz1}, {"5s", SampleMode::s5}, {"dist2m", SampleMode::dist2m}}};

constexpr std::array<Choice<unsigned>, 6> kFormats{{{"gpx", engine::format_gpx},
                                                     {"kml", engine::format_kml},
                                                     {"geojson", engine::format_geojson},
                                                     {"csv", engine::format_csv},
                                                     {"nmea", engine::format_nmea},
                                                     {"mgjson", engine::format_mgjson}}};

constexpr std::array<Choice<AltitudeKind>, 5> kElevations{{{"relative", AltitudeKind::relative},
                                                           {"absolute", AltitudeKind::absolute},
                                                           {"gps", AltitudeKind::gps},
                                                           {"ultrasonic", AltitudeKind::ultrasonic},
                                                           {"home", AltitudeKind::home}}};

// Local time is UTC-12:00 to UTC+14:00 everywhere on earth.
constexpr int kMinOffset = -12 * 60;
constexpr int kMaxOffset = 14 * 60;

template <class T, std::size_t N>
std::string choice_list(const std::array<Choice<T>, N>& choices) {
    std::string out;
    for (const auto& c : choices) {
        if (!out.empty()) out += ", ";
        out += c.name;
    }
    return out;
}

// Looks `obj` up among `choices`; TypeError for a non-text, ValueError naming the choices.
template <class T, std::size_t N>
T parse_choice(nb::handle obj, const std::array<Choice<T>, N>& choices, const char* what) {
    if (!nb::isinstance<nb::str>(obj)) {
        std::string msg = "Geçersiz " + std::string(what) + " türü: " + nb::type_name(obj.type()).c_str() +
                          ". Bir metin olmalı; seçenekler: " + choice_list(choices);
        throw nb::type_error(msg.c_str());
    }
    std::string text = nb::cast<std::string>(obj);
    for (const auto& c : choices) {
        if (text == c.name) return c.value;
    }
    std::string shown = nb::repr(obj).c_str();
    std::string msg = "Geçersiz " + std::string(what) + " " + shown + ". Seçenekler: " + choice_list(choices);
    throw nb::value_error(msg.c_str());
}

template <class T, std::size_t N>
const char* choice_name(const std::array<Choice<T>, N>& choices, T value) {
    for (const auto& c : choices) {
        if (c.value == value) return c.name;
    }
    return "?";
}

void set_sample_mode(ConvertOptions& o, nb::handle v) { o.sample_mode = parse_choice(v, kSampleModes, "örnekleme modu"); }

// A single name or an iterable of names; repeats are harmless, an empty selection is refused
// because a conversion that writes nothing is never what the caller meant.
void set_formats(ConvertOptions& o, nb::handle v) {
    unsigned bits = 0;
    if (nb::isinstance<nb::str>(v)) {
        bits = parse_choice(v, kFormats, "çıktı biçimi");
    } else {
        nb::object items;
        try {
            items = nb::iter(v);
        } catch (const nb::python_error&) {
            std::string msg = std::string("Çıktı biçimleri bir ad listesi olmalı, ") +
                              nb::type_name(v.type()).c_str() + " verildi";
            throw nb::type_error(msg.c_str());
        }
        for (nb::handle item : items) bits |= parse_choice(item, kFormats, "çıktı biçimi");
    }
    if (bits == 0) {
        throw nb::value_error(("En az bir çıktı biçimi seçilmeli. Seçenekler: " + choice_list(kFormats)).c_str());
    }
    o.formats = bits;
}

void set_utc_offset(ConvertOptions& o, nb::handle v) {
    if (v.is_none()) {
        o.utc_offset_minutes.reset();
        return;
    }
    if (!PyLong_Check(v.ptr()) || PyBool_Check(v.ptr())) {
        std::string msg = std::string("UTC farkı dakika cinsinden bir tam sayı ya da None olmalı, ") +
                          nb::type_name(v.type()).c_str() + " verildi";
        throw nb::type_error(msg.c_str());
    }
    int overflow = 0;
    long long minutes = PyLong_AsLongLongAndOverflow(v.ptr(), &overflow);
    if (overflow != 0 || minutes < kMinOffset || minutes > kMaxOffset) {
        std::string msg = "Geçersiz UTC farkı " + std::string(nb::repr(v).c_str()) +
                          " dakika. Geçerli aralık: " + std::to_string(kMinOffset) + " ile " +
                          std::to_string(kMaxOffset) + " arası";
        throw nb::value_error(msg.c_str());
    }
    o.utc_offset_minutes = static_cast<int>(minutes);
}

void set_elevation(ConvertOptions& o, nb::handle v) {
    if (v.is_none()) {
        o.elevation_kind.reset();
    } else {
        o.elevation_kind = parse_choice(v, kElevations, "yükseklik türü");
    }
}

nb::tuple formats_tuple(unsigned bits) {
    nb::list names;
    for (const auto& c : kFormats) {
        if (bits & c.value) names.append(c.name);
    }
    return nb::tuple(names);
}

nb::object utc_offset_of(const ConvertOptions& o) {
    return o.utc_offset_minutes ? nb::cast(*o.utc_offset_minutes) : nb::none();
}

nb::object elevation_of(const ConvertOptions& o) {
    return o.elevation_kind ? nb::cast(choice_name(kElevations, *o.elevation_kind)) : nb::none();
}

}  // namespace

void bind_options(nb::module_& m) {
    nb::class_<ConvertOptions>(m, "ConversionOptions",
                               "Dönüştürme seçenekleri: örnekleme modu, çıktı biçimleri, UTC farkı, yükseklik türü.")
        .def(
            "__init__",
            [](ConvertOptions* self, nb::handle sample_mode, nb::handle formats, nb::handle utc_offset_minutes,
               nb::handle elevation) {
                ConvertOptions o;
                set_sample_mode(o, sample_mode);
                if (!formats.is_none()) set_formats(o, formats);
                set_utc_offset(o, utc_offset_minutes);
                set_elevation(o, elevation);
                new (self) ConvertOptions(o);
            },
            nb::sig("def __init__(self, *, sample_mode: str = '1hz', formats: str | collections.abc.Iterable[str] "
                    "= ('gpx', 'kml', 'geojson', 'csv'), utc_offset_minutes: int | None = None, "
                    "elevation: str | None = None) -> None"),
            nb::kw_only(), nb::arg("sample_mode").none() = "1hz",
            nb::arg("formats").none() = formats_tuple(engine::kDefaultFormats),
            nb::arg("utc_offset_minutes").none() = nb::none(), nb::arg("elevation").none() = nb::none())
        .def_prop_rw(
            "sample_mode", [](const ConvertOptions& o) { return choice_name(kSampleModes, o.sample_mode); },
            [](ConvertOptions& o, nb::handle v) { set_sample_mode(o, v); },
            "Örnekleme modu: all (her nokta), 1hz (saniyede bir), 5s (beş saniyede bir), dist2m (2 metrede bir).")
        .def_prop_rw(
            "formats", [](const ConvertOptions& o) { return formats_tuple(o.formats); },
            [](ConvertOptions& o, nb::handle v) { set_formats(o, v); },
            "Yazılacak çıktı biçimleri: gpx, kml, geojson, csv, nmea, mgjson.")
        .def_prop_rw(
            "utc_offset_minutes", [](const ConvertOptions& o) { return utc_offset_of(o); },
            [](ConvertOptions& o, nb::handle v) { set_utc_offset(o, v); },
            "Dosyadaki yerel saatin UTC'den farkı (dakika); None: bilgisayarın saat dilimi.")
        .def_prop_rw(
            "elevation", [](const ConvertOptions& o) { return elevation_of(o); },
            [](ConvertOptions& o, nb::handle v) { set_elevation(o, v); },
            "Yükseklik olarak yazılacak tür; None: dosyadaki en uygun tür.")
        .def_prop_rw(
            "keep_paths", [](const ConvertOptions& o) { return paths_to_python(o.keep_paths); },
            [](ConvertOptions& o, nb::handle v) {
                std::vector<std::filesystem::path> paths;
                for (nb::handle item : nb::iter(v)) paths.push_back(path_from_python(item));
                o.keep_paths = std::move(paths);
            },
            "Çıktıların asla yerine yazılmayacağı dosyalar: aynı çalıştırmanın girdileri ve o ana kadar "
            "yazdığı çıktılar. Bu adlardan biri gerekirse çıktılar sıradaki boş eki alır (DJI_0001_2.gpx).")
        .def("__eq__",
             [](const ConvertOptions& a, nb::handle b) -> nb::object {
                 if (!nb::isinstance<ConvertOptions>(b)) return nb::borrow(Py_NotImplemented);
                 const auto& o = nb::cast<const ConvertOptions&>(b);
                 return nb::bool_(a.sample_mode == o.sample_mode && a.formats == o.formats &&
                                  a.utc_offset_minutes == o.utc_offset_minutes &&
                                  a.elevation_kind == o.elevation_kind);
             })
        .def("__repr__", [](const ConvertOptions& o) {
            nb::str text = nb::str("ConversionOptions(sample_mode={!r}, formats={!r}, utc_offset_minutes={!r}, "
                                   "elevation={!r})")
                               .format(choice_name(kSampleModes, o.sample_mode), formats_tuple(o.formats),
                                       utc_offset_of(o), elevation_of(o));
            return text;
        });
    // Mutable and compared by value: unhashable, like a plain dataclass.
    m.attr("ConversionOptions").attr("__hash__") = nb::none();
}

engine::ConvertOptions options_from_python(nb::handle options, const engine::ConvertOptions& fallback) {
    if (options.is_none()) return fallback;
    if (!nb::isinstance<ConvertOptions>(options)) {
        const std::string msg = std::string("options bir ConversionOptions ya da None olmalı, ") +
                                nb::type_name(options.type()).c_str() + " verildi";
        throw nb::type_error(msg.c_str());
    }
    return nb::cast<const ConvertOptions&>(options);
}

}  // namespace trakvia::converter
