// NMEA 0183 writer: $GPGGA then $GPRMC for every point, CR LF line ends, checksums.
//
// GGA first: GPSBabel attaches an RMC's date and speed to the GGA before it, so RMC-first
// shifts every time by one fix. Minutes carry 5 decimals (~2 cm, as u-blox receivers print)
// and times 3 decimals, so 30-60 Hz samples keep distinct times.
//
// Times: NMEA times are UTC by definition. Without UTC wall-clock times (no clock, or times
// of an unknown zone) the time field holds the seconds into the video (the SRT cue, counted
// from 00:00:00) and the RMC date field stays empty: no date is made up. GPSBabel then needs
// a date from the user (-i nmea,date=YYYYMMDD). Points with neither get an empty time.
#include <climits>
#include <cmath>

#include "civil_time.hpp"
#include "writers/format_writers.hpp"
#include "writers/text_buffer.hpp"
#include "writers/track_shape.hpp"

namespace trakvia::engine::writers {
namespace {

constexpr int kMinuteDecimals = 5;
constexpr double kKnotsPerMps = 3600.0 / 1852.0;

// ddmm.mmmmm / dddmm.mmmmm and the hemisphere letter. Rounding happens on the whole value,
// so 59.999999' becomes the next degree instead of "60.00000".
void write_coordinate(TextBuffer& out, double deg, int degree_digits, char pos, char neg) {
    constexpr long long kUnitsPerMinute = 100000;  // 10^kMinuteDecimals
    const long long units = std::llround(std::fabs(deg) * 60.0 * double(kUnitsPerMinute));
    const long long per_degree = 60 * kUnitsPerMinute;
    out.digits(units / per_degree, degree_digits);
    const long long rest = units % per_degree;
    out.digits(rest / kUnitsPerMinute, 2);
    out << '.';
    out.digits(rest % kUnitsPerMinute, kMinuteDecimals);
    out << ',' << (deg < 0 ? neg : pos);
}

// hhmmss.sss from milliseconds of the day.
void write_time_of_day(TextBuffer& out, long long ms_of_day) {
    out.digits(ms_of_day / 3600000, 2);
    out.digits(ms_of_day / 60000 % 60, 2);
    out.digits(ms_of_day / 1000 % 60, 2);
    out << '.';
    out.digits(ms_of_day % 1000, 3);
}

// Closes the sentence that starts at `start` (its '$') with "*hh\r\n": the XOR of every
// character between '$' and '*'.
void finish_sentence(TextBuffer& out, std::size_t start) {
    unsigned sum = 0;
    for (char c : out.view_from(start + 1)) sum ^= static_cast<unsigned char>(c);
    static constexpr char hex[] = "0123456789ABCDEF";
    out << '*' << hex[(sum >> 4) & 15] << hex[sum & 15] << "\r\n";
}

class NmeaWriter final : public TrackWriter {
public:
    OutputFormat format() const override { return format_nmea; }
    std::string_view extension() const override { return ".nmea"; }

    void write(std::ostream& stream, const Track& track) const override {
        TextBuffer out(stream);
        const bool utc = track_clock(track) == Clock::utc;

        std::int64_t civil_day = INT64_MIN;  // the day `civil` holds
        CivilTime civil{};
        for (const TrackPoint& p : track.points) {
            // Time of day (and date) shared by both sentences of the fix.
            bool dated = false;
            long long ms_of_day = -1;  // none
            if (utc && p.time_ms) {
                const DayAndTime split = split_day(*p.time_ms);
                ms_of_day = split.ms_of_day;
                if (split.day != civil_day) {
                    civil = civil_time(*p.time_ms);
                    civil_day = split.day;
                }
                dated = true;
            } else if (std::isfinite(p.cue_s) && p.cue_s >= 0.0 && p.cue_s < 86400.0) {
                ms_of_day = std::llround(p.cue_s * 1000.0);
                if (ms_of_day >= 86400000) ms_of_day = -1;
            }
            auto write_time = [&](TextBuffer& b) {
                if (ms_of_day >= 0) write_time_of_day(b, ms_of_day);
            };
            auto write_position = [&](TextBuffer& b) {
                write_coordinate(b, p.lat_deg, 2, 'N', 'S');
                b << ',';
                write_coordinate(b, p.lon_deg, 3, 'E', 'W');
            };

            // GGA: time, position, fix quality 1 (GPS), satellites and HDOP unknown, altitude.
            std::size_t start = out.size();
            out << "$GPGGA,";
            write_time(out);
            out << ',';
            write_position(out);
            out << ",1,,,";
            if (const auto ele = elevation(track, p)) out.fixed(*ele, 1);
            out << ",M,,M,,";
            finish_sentence(out, start);

            // RMC: time, status A, position, speed in knots, course unknown, date, mode A.
            start = out.size();
            out << "$GPRMC,";
            write_time(out);
            out << ",A,";
            write_position(out);
            out << ',';
            if (const auto speed = point_value(p, PointValue::speed); speed && *speed >= 0.0)
                out.fixed(*speed * kKnotsPerMps, 3);
            out << ",,";
            if (dated) {
                out.digits(civil.day, 2);
                out.digits(civil.month, 2);
                out.digits(((civil.year % 100) + 100) % 100, 2);
            }
            out << ",,,A";
            finish_sentence(out, start);
            out.flush_if_full();
        }
        out.flush();
    }
};

}  // namespace

const TrackWriter& nmea_writer() {
    static const NmeaWriter writer;
    return writer;
}

}  // namespace trakvia::engine::writers
