// The time-zone resolver handed to the engine: the zone name at a position from tzfpy (its
// boundary data ships inside the wheel, so it works offline) and the zone's offset at a moment
// from zoneinfo, with the tzdata package's IANA rules where the system has none (Windows).
#include "bindings.hpp"

#include <nanobind/stl/string.h>

#include <cmath>

namespace trakvia::converter {

namespace {

using namespace nb::literals;

// The offset of zone `name` at `ms`: a local wall-clock time (taken in its first occurrence
// when a DST change repeats it) or a UTC instant.
int zone_offset_minutes(nb::handle name, std::int64_t ms, bool ms_is_utc) {
    nb::module_ datetime = nb::module_::import_("datetime");
    nb::object zone = nb::module_::import_("zoneinfo").attr("ZoneInfo")(name);
    nb::object since_epoch = datetime.attr("timedelta")("milliseconds"_a = ms);
    nb::object when;
    if (ms_is_utc) {
        nb::object epoch = datetime.attr("datetime")(1970, 1, 1, "tzinfo"_a = datetime.attr("timezone").attr("utc"));
        when = (epoch + since_epoch).attr("astimezone")(zone);
    } else {
        when = (datetime.attr("datetime")(1970, 1, 1) + since_epoch).attr("replace")("tzinfo"_a = zone);
    }
    const double seconds = nb::cast<double>(when.attr("utcoffset")().attr("total_seconds")());
    return int(std::lround(seconds / 60.0));
}

}  // namespace

engine::ZoneResolver zone_resolver() {
    return [](double lat, double lon, std::int64_t ms, bool ms_is_utc) -> std::optional<engine::ZoneOffset> {
        nb::gil_scoped_acquire gil;
        try {
            nb::object name = nb::module_::import_("tzfpy").attr("get_tz")(lon, lat);
            if (!nb::isinstance<nb::str>(name) || nb::len(name) == 0) return std::nullopt;
            return engine::ZoneOffset{nb::cast<std::string>(name), zone_offset_minutes(name, ms, ms_is_utc)};
        } catch (const nb::python_error&) {
            // No lookup (package missing, date out of range): the engine falls back to the
            // computer's zone and says so in a warning.
            return std::nullopt;
        }
    };
}

}  // namespace trakvia::converter
