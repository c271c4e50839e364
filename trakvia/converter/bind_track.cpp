// read_track and its result TrackData: the engine's built track without writing files, as
// flat columns (array.array) so that a 100 MB telemetry file does not become millions of
// Python objects.
#include "bindings.hpp"

#include <nanobind/stl/string.h>

#include "pyglue/def.hpp"

#include <array>
#include <cmath>
#include <limits>

namespace trakvia::converter {

namespace {

using engine::AltitudeKind;
using engine::TrackPoint;
using engine::TrackReading;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double or_nan(const std::optional<double>& v) { return v ? *v : kNaN; }

double utc_s(const TrackPoint& p) { return p.time_ms ? double(*p.time_ms) / 1000.0 : kNaN; }

template <AltitudeKind kind>
double altitude_of(const TrackPoint& p) {
    return p.has_altitude(kind) ? p.altitude(kind) : kNaN;
}

struct Column {
    const char* name;
    double (*value)(const TrackPoint&);
    const char* doc;
};

// Each column holds one value per point; NaN where the point has none.
const Column kColumns[] = {
    {"time_utc_s", &utc_s, "Noktanın UTC zamanı, 1970'ten beri saniye (tarihsiz izde NaN)."},
    {"time_local_s",
     [](const TrackPoint& p) { return p.time_ms ? utc_s(p) + 60.0 * p.local_offset_min.value_or(0) : kNaN; },
     "Uçuşun yerel saati (konumun saat dilimi), 1970'ten beri saniye: UTC saati gibi okunur, ör.\n"
     "datetime.fromtimestamp(t, timezone.utc).replace(tzinfo=None)."},
    {"cue_s", [](const TrackPoint& p) { return p.cue_s; }, "Videonun başından saniye (SRT altyazı zamanı)."},
    {"lat_deg", [](const TrackPoint& p) { return p.lat_deg; }, "Enlem (derece)."},
    {"lon_deg", [](const TrackPoint& p) { return p.lon_deg; }, "Boylam (derece)."},
    {"altitude_relative_m", &altitude_of<AltitudeKind::relative>, "Kalkış noktasına göre yükseklik (metre)."},
    {"altitude_absolute_m", &altitude_of<AltitudeKind::absolute>, "Cihazın yazdığı mutlak yükseklik (metre)."},
    {"altitude_gps_m", &altitude_of<AltitudeKind::gps>, "GPS yüksekliği (metre)."},
    {"altitude_ultrasonic_m", &altitude_of<AltitudeKind::ultrasonic>, "Yerden yükseklik, ultrasonik (metre)."},
    {"altitude_home_m", &altitude_of<AltitudeKind::home>, "Kalkış noktasının yüksekliği (metre)."},
    {"speed_mps", [](const TrackPoint& p) { return p.speed_mps ? *p.speed_mps : or_nan(p.estimated_speed_mps); },
     "Yatay hız (m/s): cihazın yazdığı, yoksa en az bir saniyelik pencereden hesaplanan."},
    {"distance_m", [](const TrackPoint& p) { return p.distance_m; },
     "İzin başından bu noktaya kadar alınan yol (metre; boşluklarda artmaz): sonuncusu result.total_distance_m."},
    {"vertical_speed_mps", [](const TrackPoint& p) { return or_nan(p.vertical_speed_mps); }, "Dikey hız (m/s, yukarı artı)."},
};

nb::object make_array(const char* typecode, const void* data, std::size_t bytes) {
    nb::object array = nb::module_::import_("array").attr("array")(typecode);
    array.attr("frombytes")(nb::bytes(static_cast<const char*>(data), bytes));
    return array;
}

nb::object column(const TrackReading& r, double (*value)(const TrackPoint&)) {
    std::vector<double> values;
    values.reserve(r.track.points.size());
    for (const TrackPoint& p : r.track.points) values.push_back(value(p));
    return make_array("d", values.data(), values.size() * sizeof(double));
}

nb::object elevation_column(const TrackReading& r) {
    const auto kind = r.track.elevation_kind;
    std::vector<double> values;
    values.reserve(r.track.points.size());
    for (const TrackPoint& p : r.track.points) values.push_back(kind && p.has_altitude(*kind) ? p.altitude(*kind) : kNaN);
    return make_array("d", values.data(), values.size() * sizeof(double));
}

std::vector<std::int64_t> segment_starts(const TrackReading& r) {
    std::vector<std::int64_t> starts;
    const auto& pts = r.track.points;
    for (std::size_t i = 0; i < pts.size(); ++i)
        if (i == 0 || pts[i].segment_start) starts.push_back(std::int64_t(i));
    return starts;
}

constexpr auto kReadParams = std::to_array<pyglue::ParamDef>({
    {"path", "str | os.PathLike"},
    {"options", "ConversionOptions | None", pyglue::default_none},
    {"progress", "Callable[[int, int], object] | None", pyglue::default_none},
    {"cancel", "Callable[[], bool] | None", pyglue::default_none},
});

// read_track's body: the engine's reading with the zone lookup, progress and cancel.
nb::object read_track(const pyglue::Globals&, const pyglue::Args<kReadParams>& args) {
    const std::filesystem::path input = path_from_python(args["path"]);
    engine::ConvertOptions every_point;
    every_point.sample_mode = engine::SampleMode::all;
    const engine::ConvertOptions settings = options_from_python(args["options"], every_point);
    const nb::object& progress = args["progress"];
    const nb::object& cancel = args["cancel"];
    // A Python error raised by a callback stops the read and is raised from here.
    std::exception_ptr callback_error;
    auto guarded = [&](auto&& call) {
        nb::gil_scoped_acquire gil;
        try {
            return call();
        } catch (const nb::python_error&) {
            callback_error = std::current_exception();
            throw engine::Cancelled();
        }
    };
    engine::RunContext context{zone_resolver(), {}, {}};
    if (!progress.is_none())
        context.progress = [&](std::uint64_t done, std::uint64_t total) { guarded([&] { progress(done, total); }); };
    if (!cancel.is_none())
        context.cancelled = [&] { return guarded([&] { return PyObject_IsTrue(cancel().ptr()) == 1; }); };
    std::optional<TrackReading> reading = call_engine(
        [&]() -> std::optional<TrackReading> {
            try {
                return engine::read_track(input, settings, context);
            } catch (const engine::Cancelled&) {
                return std::nullopt;
            }
        },
        &input);
    if (callback_error) std::rethrow_exception(callback_error);
    if (!reading) return nb::none();
    return nb::cast(std::move(*reading));
}

constinit const pyglue::Definition read_track_def = pyglue::def<kReadParams, read_track>(
    {.name = "read_track",
     .returns = "TrackData | None",
     .doc = "Bir telemetri (SRT) ya da GPX dosyasını convert_srt_file ile aynı yoldan okur ve izi dosya\n"
            "yazmadan döndürür (TrackData): noktaların UTC ve uçuşun yerel saati, konum, bütün yükseklik\n"
            "türleri, hız, parçalar ve aynı ölçümler (result). options verilmezse bütün noktalar tutulur\n"
            "(sample_mode='all'). progress(okunan_bayt, toplam_bayt) birkaç megabaytta bir çağrılır;\n"
            "cancel() doğru dönerse okuma durur ve None döner. Geri çağrıların hatası buradan yükselir."});

}  // namespace

void bind_track(nb::module_& m) {
    auto cls = nb::class_<TrackReading>(
        m, "TrackData",
        "read_track'in sonucu: dönüştürmenin kurduğu iz, dosya yazmadan. Her sütun noktalar kadar\n"
        "değer tutan bir array.array('d') dır (değer yoksa NaN); her erişim yeni bir dizi kurar.\n"
        "Parçalar segment_starts / segments() ile; ölçümler result (ConversionResult) içinde.");
    cls.def("__len__", [](const TrackReading& r) { return r.track.points.size(); })
        .def_prop_ro("name", [](const TrackReading& r) { return r.track.name; }, "İz adı.")
        .def_prop_ro("result", [](const TrackReading& r) { return r.report; },
                     "Dönüştürmeyle aynı ölçümler (ConversionResult; output_files boş).")
        .def_prop_ro("time_zone", [](const TrackReading& r) { return r.report.time_zone; },
                     "Uçuşun saat dilimi (IANA adı); bilinmiyorsa boş.")
        .def_prop_ro("elevation_m", &elevation_column, "Yükseklik olarak seçilen tür (result.elevation_source), metre.")
        .def_prop_ro(
            "segment_starts",
            [](const TrackReading& r) {
                const auto starts = segment_starts(r);
                return make_array("q", starts.data(), starts.size() * sizeof(std::int64_t));
            },
            "Her parçanın ilk noktasının sırası (array.array('q')); boşluk ya da yeniden başlayan kayıtta yeni parça.")
        .def(
            "segments",
            [](const TrackReading& r) {
                const auto starts = segment_starts(r);
                nb::list out;
                for (std::size_t i = 0; i < starts.size(); ++i) {
                    const std::int64_t end = i + 1 < starts.size() ? starts[i + 1] : std::int64_t(r.track.points.size());
                    out.append(nb::make_tuple(starts[i], end));
                }
                return out;
            },
            "Parçalar: (başlangıç, bitiş) sıra çiftleri, bitiş dahil değil.")
        .def("__repr__", [](const TrackReading& r) {
            return nb::str("TrackData(name={!r}, points={}, segments={}, time_zone={!r})")
                .format(nb::str(r.track.name.c_str(), r.track.name.size()), r.track.points.size(),
                        segment_starts(r).size(), nb::str(r.report.time_zone.c_str(), r.report.time_zone.size()));
        });
    for (const Column& c : kColumns) {
        auto value = c.value;
        cls.def_prop_ro(c.name, [value](const TrackReading& r) { return column(r, value); }, c.doc);
    }

    pyglue::add_function(m, read_track_def);
}

}  // namespace trakvia::converter
