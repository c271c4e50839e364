// The four sample layouts, written the way the devices write them (spacing, precision and
// trailing spaces included). Numbers go through std::to_chars: no locale can change them.
#include "samples/srt_blocks.hpp"

#include <charconv>
#include <chrono>
#include <cmath>

namespace trakvia::engine::samples {

namespace {

void put(std::string& out, std::int64_t v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// Zero-padded to `width` digits (v >= 0).
void put_padded(std::string& out, std::int64_t v, int width) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (auto len = r.ptr - buf; len < width; ++len) out += '0';
    out.append(buf, r.ptr);
}

// Fixed decimals, never "-0.000".
void put(std::string& out, double v, int decimals) {
    if (std::abs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0.0;
    char buf[48];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    out.append(buf, r.ptr);
}

void put_cue_time(std::string& out, std::int64_t ms) {
    put_padded(out, ms / 3600000, 2);
    out += ':';
    put_padded(out, ms / 60000 % 60, 2);
    out += ':';
    put_padded(out, ms / 1000 % 60, 2);
    out += ',';
    put_padded(out, ms % 1000, 3);
}

void put_cue(std::string& out, const Frame& f) {
    put(out, f.index);
    out += '\n';
    put_cue_time(out, f.cue_start_ms);
    out += " --> ";
    put_cue_time(out, f.cue_end_ms);
    out += '\n';
}

// Date and time of day, with `date_sep` between the date fields ('-' or '.').
void put_date_time(std::string& out, std::int64_t us, char date_sep) {
    using namespace std::chrono;
    const sys_days day = floor<days>(sys_time<microseconds>(microseconds(us)));
    const year_month_day ymd(day);
    const std::int64_t of_day = us - duration_cast<microseconds>(day.time_since_epoch()).count();
    put(out, static_cast<int>(ymd.year()));
    out += date_sep;
    put_padded(out, static_cast<unsigned>(ymd.month()), 2);
    out += date_sep;
    put_padded(out, static_cast<unsigned>(ymd.day()), 2);
    out += ' ';
    const std::int64_t s = of_day / 1000000;
    put_padded(out, s / 3600, 2);
    out += ':';
    put_padded(out, s / 60 % 60, 2);
    out += ':';
    put_padded(out, s % 60, 2);
}

// The two bracket layouts differ in spelling, not in content.
struct BracketStyle {
    const char* font_size;
    const char* sep;         // between key and value: ": " (Mavic 3) or " : " (Mavic 2 Pro)
    bool microseconds;       // date-time ends ",mmm,uuu" instead of ".mmm"
    const char* fnum;        // f/2.8 as a decimal or as f-number x 100
    const char* focal_len;   // 24 mm as millimetres or 28 mm as millimetres x 10
    const char* longitude;   // Mavic 2 firmware spells it "longtitude"
    bool rel_abs_alt;        // [rel_alt: abs_alt:] instead of [altitude:]
};

constexpr BracketStyle kMavic3{"28", ": ", false, "2.8", "24.00", "longitude", true};
constexpr BracketStyle kMavic2Pro{"36", " : ", true, "280", "280", "longtitude", false};

void field(std::string& out, const BracketStyle& st, const char* key) {
    out += " [";
    out += key;
    out += st.sep;
}

void bracket_layout(std::string& out, const Frame& f, const BracketStyle& st) {
    out += "<font size=\"";
    out += st.font_size;
    out += "\">FrameCnt";
    out += st.sep;
    put(out, f.index);
    out += ", DiffTime";
    out += st.sep;
    put(out, f.cue_end_ms - f.cue_start_ms);
    out += "ms\n";
    put_date_time(out, f.wall_clock_us, '-');
    out += st.microseconds ? ',' : '.';
    put_padded(out, f.wall_clock_us / 1000 % 1000, 3);
    if (st.microseconds) {
        out += ',';
        put_padded(out, f.wall_clock_us % 1000, 3);
    }
    out += "\n[iso";
    out += st.sep;
    put(out, std::int64_t{f.iso});
    out += "]";
    field(out, st, "shutter");
    out += "1/";
    put(out, double(f.shutter), 1);
    out += "]";
    field(out, st, "fnum");
    out += st.fnum;
    out += "]";
    field(out, st, "ev");
    out += "0]";
    field(out, st, "ct");
    put(out, std::int64_t{f.colour_temperature});
    out += "] [color_md : default]";
    field(out, st, "focal_len");
    out += st.focal_len;
    out += "]";
    field(out, st, "latitude");
    put(out, f.lat, 6);
    out += "]";
    field(out, st, st.longitude);
    put(out, f.lon, 6);
    if (st.rel_abs_alt) {
        out += "] [rel_alt: ";
        put(out, f.rel_alt, 3);
        out += " abs_alt: ";
        put(out, f.abs_alt, 3);
    } else {
        out += "] [altitude: ";
        put(out, f.abs_alt, 6);
    }
    out += "] </font>\n\n";
}

void phantom4(std::string& out, const Frame& f) {
    out += "F/2.8, SS ";
    put(out, std::int64_t{f.shutter});
    out += ", ISO ";
    put(out, std::int64_t{f.iso});
    out += ", EV 0, GPS (";
    put(out, f.lon, 6);
    out += ", ";
    put(out, f.lat, 6);
    out += ", ";
    put(out, std::int64_t{f.satellites});
    out += "), D ";
    put(out, f.distance_home_m, 2);
    out += "m, H ";
    put(out, f.rel_alt, 2);
    out += "m, H.S ";
    put(out, f.horizontal_speed, 2);
    out += "m/s, V.S ";
    put(out, f.vertical_speed, 2);
    out += "m/s \n\n";
}

void mavic_pro(std::string& out, const Frame& f) {
    out += "HOME(";
    put(out, f.home_lon, 4);
    out += ',';
    put(out, f.home_lat, 4);
    out += ") ";
    put_date_time(out, f.wall_clock_us, '.');
    out += "\nGPS(";
    put(out, f.lon, 4);
    out += ',';
    put(out, f.lat, 4);
    out += ',';
    put(out, std::int64_t{f.satellites});
    out += ") BAROMETER:";
    put(out, f.rel_alt, 1);
    out += "\nISO:";
    put(out, std::int64_t{f.iso});
    out += " Shutter:";
    put(out, std::int64_t{f.shutter});
    out += " EV: Fnum:2.2 \n\n";
}

}  // namespace

void append_block(std::string& out, SrtLayout layout, const Frame& frame) {
    put_cue(out, frame);
    switch (layout) {
        case SrtLayout::mavic3: bracket_layout(out, frame, kMavic3); break;
        case SrtLayout::mavic2pro: bracket_layout(out, frame, kMavic2Pro); break;
        case SrtLayout::phantom4: phantom4(out, frame); break;
        case SrtLayout::mavic_pro: mavic_pro(out, frame); break;
    }
}

}  // namespace trakvia::engine::samples
