// DJI SRT reader. Blocks are found by their cue lines (or, in files without any, by an index
// line after a blank line), never by blank lines alone: some layouts put a blank line and a
// lone "0" inside a block. Each content line is scanned once for the keys of every layout;
// tags such as <font size="28"> are skipped wherever they stand.
#include "srt_reader.hpp"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "civil_time.hpp"
#include "numbers.hpp"
#include "srt_font_tag.hpp"

namespace trakvia::engine {

using num::is_digit;
using num::skip_spaces;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A cue line ("00:00:01,000 --> 00:00:02,000") or an index line is short; a longer line that
// starts with a digit is content (a date-time with telemetry after it), not searched for "-->".
constexpr std::size_t kMaxCueOrIndexLineLength = 80;

// Hours, minutes or seconds of a cue time above this are no time: the line is no cue.
constexpr std::int64_t kMaxCueTimeField = 1000000;

// A cue time's fraction: up to this many digits are read; the first three are milliseconds.
constexpr int kMaxCueFractionDigits = 9;
constexpr int kMillisecondDigits = 3;

// The font size the DJI FPV drone writes in its tag, <font size="28">.
constexpr std::string_view kFpvFontSize = "28";

// The DJI FPV writes a tenth of the height in its bare "altitude" key.
constexpr double kFpvAltitudeScale = 10.0;

// A frame counter is a whole number below this (an exact double); anything else is no counter.
constexpr double kMaxCounter = 9.0e15;

// "GPS(…)", "GPS (…)", "RTK (…)", "HOME(…)": up to three numbers in brackets.
struct Tuple {
    double v[3] = {kNaN, kNaN, kNaN};
    bool ok[3] = {false, false, false};
    bool seen = false;
    bool third_has_m = false;  // "0.0M": the Matrice 300 layout, latitude first
    int decimals = -1;
};

struct Block {
    std::size_t line = 0;  // where the block starts (its cue line, or its first content line)
    bool has_content = false;
    bool fpv_font = false;  // <font size="28">
    double cue = kNaN;
    std::optional<std::int64_t> wall;
    std::optional<std::int64_t> counter;
    Tuple gps, home;
    bool lat_seen = false, lon_seen = false;
    double lat = kNaN, lon = kNaN;
    int lat_dec = -1, lon_dec = -1;
    std::optional<double> altitude, rel_alt, abs_alt, barometer, h, hb, ultrasonic;
    std::optional<double> hs, vs, speed_x, speed_y;
};

// Character classes of the content scanner, one table look-up per character: it visits
// every byte of the file.
enum CharClass : std::uint8_t { kOther = 0, kAlpha = 1, kIdent = 2, kDigit = 4, kTagOpen = 8 };

constexpr std::array<std::uint8_t, 256> make_char_classes() {
    std::array<std::uint8_t, 256> t{};
    for (int c = 'a'; c <= 'z'; ++c) t[std::size_t(c)] = kAlpha | kIdent;
    for (int c = 'A'; c <= 'Z'; ++c) t[std::size_t(c)] = kAlpha | kIdent;
    for (int c = '0'; c <= '9'; ++c) t[std::size_t(c)] = kDigit | kIdent;
    t[std::size_t('_')] = kIdent;
    t[std::size_t('.')] = kIdent;
    t[std::size_t('<')] = kTagOpen;
    return t;
}
constexpr std::array<std::uint8_t, 256> kCharClasses = make_char_classes();

constexpr std::uint8_t char_class(char c) { return kCharClasses[static_cast<unsigned char>(c)]; }
constexpr bool is_ident_char(char c) { return char_class(c) & kIdent; }

std::string_view trim(std::string_view s) {
    std::size_t b = 0;
    for (;;) {
        while (b < s.size() && (num::is_space(s[b]) || s[b] == '\0')) ++b;
        if (s.size() - b >= 3 && std::memcmp(s.data() + b, "\xEF\xBB\xBF", 3) == 0) {
            b += 3;  // a BOM at the start of a file that was joined onto another
            continue;
        }
        break;
    }
    std::size_t e = s.size();
    while (e > b && (num::is_space(s[e - 1]) || s[e - 1] == '\0')) --e;
    return s.substr(b, e - b);
}

// "00:01:02,345" (also '.', seconds of 60, and more than three fraction digits meaning
// milliseconds above 999, both seen in Matrice 300 files).
bool parse_cue_time(std::string_view s, std::size_t& p, double& seconds) {
    std::int64_t h = 0, m = 0, sec = 0;
    if (!num::parse_int(s, p, h) || p >= s.size() || s[p++] != ':') return false;
    if (!num::parse_int(s, p, m) || p >= s.size() || s[p++] != ':') return false;
    if (!num::parse_int(s, p, sec)) return false;
    if (h < 0 || m < 0 || sec < 0 || h > kMaxCueTimeField || m > kMaxCueTimeField || sec > kMaxCueTimeField)
        return false;
    double frac = 0.0;
    if (p < s.size() && (s[p] == ',' || s[p] == '.')) {
        ++p;
        std::int64_t v = 0;
        int digits = 0;
        while (p < s.size() && is_digit(s[p]) && digits < kMaxCueFractionDigits) {
            v = v * 10 + (s[p] - '0');
            ++digits;
            ++p;
        }
        frac = double(v) / num::detail::kExactPow10[std::min(digits, kMillisecondDigits)];
    }
    seconds = double(h) * 3600.0 + double(m) * 60.0 + double(sec) + frac;
    return true;
}

class SrtParser {
public:
    explicit SrtParser(const RecordSink& sink) : sink_(sink) {}

    void feed_line(std::string_view raw);
    void finish() { flush(); }
    const SrtReadSummary& summary() const { return summary_; }

private:
    void flush();
    void start_block() {
        flush();
        b_ = Block{};
        b_.line = line_no_;
        in_block_ = true;
    }
    void scan_content(std::string_view s);
    std::size_t handle_key(std::string_view s, std::size_t key_begin, std::size_t key_end);

    const RecordSink& sink_;
    SrtReadSummary summary_;
    Block b_;
    bool in_block_ = false;
    bool cue_mode_ = false;  // the file has cue lines: only they start blocks
    bool prev_blank_ = true;
    std::size_t line_no_ = 0;
};

void SrtParser::feed_line(std::string_view raw) {
    ++line_no_;
    std::string_view line = trim(raw);
    if (line.empty()) {
        prev_blank_ = true;
        return;
    }
    const bool starts_with_digit = is_digit(line[0]);
    if (starts_with_digit && line.size() < kMaxCueOrIndexLineLength) {
        std::size_t arrow = line.find("-->");
        if (arrow != std::string_view::npos) {
            if (b_.has_content || !std::isnan(b_.cue) || !in_block_) start_block();
            std::size_t p = 0;
            double start = 0.0;
            if (parse_cue_time(line, p, start)) b_.cue = start;
            cue_mode_ = true;
            prev_blank_ = false;
            return;
        }
        std::size_t digits = 0;
        while (digits < line.size() && is_digit(line[digits])) ++digits;
        if (digits == line.size()) {
            // An index line; without cue lines in the file it is the only block boundary.
            if (!cue_mode_ && prev_blank_) start_block();
            prev_blank_ = false;
            return;
        }
    }
    prev_blank_ = false;
    if (!in_block_) {
        b_ = Block{};
        b_.line = line_no_;
        in_block_ = true;
    }
    b_.has_content = true;
    scan_content(line);
}

void SrtParser::scan_content(std::string_view s) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t cls = char_class(s[i]);
        if (cls == kOther) {
            ++i;
        } else if (cls & kAlpha) {
            std::size_t j = i + 1;
            while (j < n && is_ident_char(s[j])) ++j;
            i = handle_key(s, i, j);
        } else if (cls & kDigit) {
            if (!b_.wall && (i == 0 || s[i - 1] == ' ' || s[i - 1] == '>')) {
                std::size_t p = i;
                if (auto t = parse_device_datetime(s, p)) {
                    b_.wall = t;
                    i = p;
                    continue;
                }
            }
            ++i;
            while (i < n && (is_digit(s[i]) || s[i] == '.')) ++i;
        } else if (cls & kTagOpen) {
            const void* close = std::memchr(s.data() + i, '>', n - i);
            std::size_t j = close ? std::size_t(static_cast<const char*>(close) - s.data()) : n;
            if (font_size_of(s.substr(i, j - i)) == kFpvFontSize) b_.fpv_font = true;
            i = j + 1;
        } else {
            ++i;  // '_' or '.'
        }
    }
}

// "key: value" / "key : value"; returns the position after the value, or `p` unchanged.
std::size_t colon_value(std::string_view s, std::size_t p, std::optional<double>& out, int* decimals = nullptr) {
    std::size_t q = skip_spaces(s, p);
    if (q >= s.size() || s[q] != ':') return p;
    q = skip_spaces(s, q + 1);
    double v;
    if (!num::parse_double(s, q, v, decimals)) return p;
    out = v;
    return q;
}

// "H 45.60m", "H.S 0.00m/s": key, spaces, number ("n/a" leaves it unset).
std::size_t spaced_value(std::string_view s, std::size_t p, std::optional<double>& out) {
    std::size_t q = skip_spaces(s, p);
    if (q == p) return p;
    double v;
    if (!num::parse_double(s, q, v)) return p;
    out = v;
    return q;
}

std::size_t tuple_value(std::string_view s, std::size_t p, Tuple& t) {
    std::size_t q = skip_spaces(s, p);
    if (q >= s.size() || s[q] != '(') return p;
    ++q;
    t = Tuple{};
    t.seen = true;
    int min_dec = -1;
    for (int k = 0; k < 3 && q < s.size(); ++k) {
        q = skip_spaces(s, q);
        int dec = -1;
        double v;
        if (num::parse_double(s, q, v, k < 2 ? &dec : nullptr)) {
            t.v[k] = v;
            t.ok[k] = true;
            if (k < 2) min_dec = min_dec < 0 ? dec : std::min(min_dec, dec);
            if (k == 2 && q < s.size() && (s[q] == 'M' || s[q] == 'm')) t.third_has_m = true;
        }
        while (q < s.size() && s[q] != ',' && s[q] != ')') ++q;
        if (q >= s.size() || s[q] == ')') break;
        ++q;
    }
    t.decimals = min_dec;
    while (q < s.size() && s[q] != ')') ++q;
    return q < s.size() ? q + 1 : q;
}

// Frame counters are whole numbers; anything else (or absurdly large) is no counter.
std::optional<std::int64_t> as_counter(const std::optional<double>& v) {
    if (!v || !(*v >= 0 && *v < kMaxCounter)) return std::nullopt;
    return std::int64_t(*v);
}

std::size_t counter_value(std::string_view s, std::size_t p, Block& b) {
    std::optional<double> v;
    std::size_t q = colon_value(s, p, v);
    if (auto c = as_counter(v)) b.counter = c;
    return q;
}

std::size_t coordinate_value(std::string_view s, std::size_t p, bool& seen, double& value, int& decimals) {
    std::optional<double> v;
    seen = true;
    std::size_t q = colon_value(s, p, v, &decimals);
    value = v ? *v : kNaN;
    return q;
}

std::size_t latitude_value(std::string_view s, std::size_t p, Block& b) {
    return coordinate_value(s, p, b.lat_seen, b.lat, b.lat_dec);
}

std::size_t longitude_value(std::string_view s, std::size_t p, Block& b) {
    return coordinate_value(s, p, b.lon_seen, b.lon, b.lon_dec);
}

// "BAROMETER:91.2", or "BAROMETER(91.2)".
std::size_t barometer_value(std::string_view s, std::size_t p, Block& b) {
    std::size_t q = colon_value(s, p, b.barometer);
    if (!b.barometer) {
        Tuple t;
        q = tuple_value(s, p, t);
        if (t.ok[0]) b.barometer = t.v[0];
    }
    return q;
}

// Reads the value after a key into the block; returns the position after it, or the position
// after the key when no value of the expected shape follows.
using KeyHandler = std::size_t (*)(std::string_view line, std::size_t after_key, Block& b);

struct KeyRule {
    std::string_view key;  // case-sensitive, as the devices write it
    KeyHandler read;
};

// Every key of every layout and what its value fills.
constexpr KeyRule kKeyRules[] = {
    {"H", [](std::string_view s, std::size_t p, Block& b) { return spaced_value(s, p, b.h); }},
    {"Hb", [](std::string_view s, std::size_t p, Block& b) { return colon_value(s, p, b.hb); }},
    {"No", counter_value},
    {"SrtCnt", counter_value},
    {"FrameCnt", counter_value},
    {"GPS", [](std::string_view s, std::size_t p, Block& b) { return tuple_value(s, p, b.gps); }},
    {"RTK", [](std::string_view s, std::size_t p, Block& b) { return tuple_value(s, p, b.gps); }},
    {"HOME", [](std::string_view s, std::size_t p, Block& b) { return tuple_value(s, p, b.home); }},
    {"H.S", [](std::string_view s, std::size_t p, Block& b) { return spaced_value(s, p, b.hs); }},
    {"V.S", [](std::string_view s, std::size_t p, Block& b) { return spaced_value(s, p, b.vs); }},
    {"rel_alt", [](std::string_view s, std::size_t p, Block& b) { return colon_value(s, p, b.rel_alt); }},
    {"abs_alt", [](std::string_view s, std::size_t p, Block& b) { return colon_value(s, p, b.abs_alt); }},
    {"altitude", [](std::string_view s, std::size_t p, Block& b) { return colon_value(s, p, b.altitude); }},
    {"latitude", latitude_value},
    {"longitude", longitude_value},
    {"longtitude", longitude_value},  // the spelling of several firmware generations
    {"BAROMETER", barometer_value},
    {"ULTRASONIC", [](std::string_view s, std::size_t p, Block& b) { return colon_value(s, p, b.ultrasonic); }},
    {"drone_speedx", [](std::string_view s, std::size_t p, Block& b) { return colon_value(s, p, b.speed_x); }},
    {"drone_speedy", [](std::string_view s, std::size_t p, Block& b) { return colon_value(s, p, b.speed_y); }},
};

// A key the content scanner can produce: a letter, then letters, digits, '_' or '.'. A rule
// whose key is not one would never match, silently.
constexpr bool every_key_is_scannable() {
    for (const KeyRule& rule : kKeyRules) {
        if (rule.key.empty() || !(char_class(rule.key[0]) & kAlpha)) return false;
        for (char c : rule.key)
            if (!is_ident_char(c)) return false;
    }
    return true;
}
static_assert(every_key_is_scannable(), "a key the content scanner never reads");

constexpr bool keys_are_unique() {
    for (std::size_t i = 0; i < std::size(kKeyRules); ++i)
        for (std::size_t j = i + 1; j < std::size(kKeyRules); ++j)
            if (kKeyRules[i].key == kKeyRules[j].key) return false;
    return true;
}
static_assert(keys_are_unique(), "a key with two rules");

std::size_t SrtParser::handle_key(std::string_view s, std::size_t key_begin, std::size_t key_end) {
    const std::string_view key = s.substr(key_begin, key_end - key_begin);
    for (const KeyRule& rule : kKeyRules) {
        if (rule.key == key) return rule.read(s, key_end, b_);
    }
    return key_end;
}

void SrtParser::flush() {
    if (!in_block_) return;
    in_block_ = false;
    if (!b_.has_content) return;

    Record r;
    TrackPoint& pt = r.point;
    pt.cue_s = b_.cue;
    r.wall_ms = b_.wall;
    r.counter = b_.counter;
    r.line = b_.line;

    double lat = kNaN, lon = kNaN;
    if (b_.lat_seen || b_.lon_seen) {
        r.position_seen = true;
        lat = b_.lat;
        lon = b_.lon;
        r.coord_decimals = std::min(b_.lat_dec, b_.lon_dec);
    } else if (b_.gps.seen) {
        r.position_seen = true;
        if (b_.gps.ok[0] && b_.gps.ok[1]) {
            // GPS(lon,lat,satellites) in the legacy layouts; GPS(lat,lon,0.0M) on the M300.
            lat = b_.gps.third_has_m ? b_.gps.v[0] : b_.gps.v[1];
            lon = b_.gps.third_has_m ? b_.gps.v[1] : b_.gps.v[0];
            if (std::fabs(lat) > 90.0 && std::fabs(lon) <= 90.0) std::swap(lat, lon);
            r.coord_decimals = b_.gps.decimals;
        }
    }
    if (is_usable_position(lat, lon)) {
        r.has_fix = true;
        pt.lat_deg = lat;
        pt.lon_deg = lon;
    }

    // The height above take-off under whichever name the layout gives it.
    for (const auto* rel : {&b_.rel_alt, &b_.barometer, &b_.h, &b_.hb}) {
        if (*rel) {
            pt.set_altitude(AltitudeKind::relative, **rel);
            break;
        }
    }
    if (b_.abs_alt) {
        pt.set_altitude(AltitudeKind::absolute, *b_.abs_alt);
    } else if (b_.altitude) {
        // The DJI FPV (font size 28 with a bare "altitude") writes a tenth of the height.
        double scale = b_.fpv_font ? kFpvAltitudeScale : 1.0;
        if (b_.fpv_font) summary_.fpv_altitude_scaled = true;
        pt.set_altitude(AltitudeKind::absolute, *b_.altitude * scale);
    }
    if (b_.ultrasonic) pt.set_altitude(AltitudeKind::ultrasonic, *b_.ultrasonic);
    if (b_.home.seen && b_.home.ok[2]) pt.set_altitude(AltitudeKind::home, b_.home.v[2]);
    for (std::size_t k = 0; k < kAltitudeKindCount; ++k)
        if (!std::isfinite(pt.altitude_m[k])) pt.altitude_mask &= std::uint8_t(~(1u << k));

    if (b_.hs && std::isfinite(*b_.hs) && *b_.hs >= 0) {
        pt.speed_mps = b_.hs;
    } else if (b_.speed_x && b_.speed_y) {
        double v = std::hypot(*b_.speed_x, *b_.speed_y);
        if (std::isfinite(v)) pt.speed_mps = v;
    }
    if (b_.vs && std::isfinite(*b_.vs)) pt.vertical_speed_mps = b_.vs;

    sink_(r);
}

}  // namespace

SrtReadSummary read_srt(TextSource& source, const RecordSink& sink) {
    SrtParser parser(sink);
    std::string_view line;
    while (source.next_line(line)) parser.feed_line(line);
    parser.finish();
    return parser.summary();
}

SrtReadSummary read_srt_bytes(std::string_view bytes, const RecordSink& sink) {
    TextSource source = TextSource::from_memory(bytes);
    return read_srt(source, sink);
}

}  // namespace trakvia::engine
