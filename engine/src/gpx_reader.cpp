// GPX reader: a small pull tokenizer over the text (tags and the text between them), with no
// DOM. Element names are matched by local name, so any namespace prefix works for the
// extensions trackers write (gpxtpx:hr, gpxpx:PowerInWatts, ns3:speed, a bare <power>, ...).
#include "gpx_reader.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "civil_time.hpp"
#include "numbers.hpp"

namespace trakvia::engine {

namespace {

enum class Leaf { none, ele, time, speed, power, heart_rate, cadence };

bool is_ws(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view local_name(std::string_view qname) {
    std::size_t colon = qname.rfind(':');
    return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

Leaf leaf_for(std::string_view name) {
    if (name == "ele") return Leaf::ele;
    if (name == "time") return Leaf::time;
    if (name == "speed") return Leaf::speed;
    if (name == "power" || name == "PowerInWatts" || name == "watts") return Leaf::power;
    if (name == "hr" || name == "heartrate" || name == "HeartRateBpm") return Leaf::heart_rate;
    if (name == "cad" || name == "cadence") return Leaf::cadence;
    return Leaf::none;
}

// Value of attribute `name` (by local name) in the inside of a start tag.
bool attribute(std::string_view tag, std::string_view name, std::string_view& value) {
    std::size_t i = 0;
    while (i < tag.size() && !is_ws(tag[i])) ++i;  // the element name
    while (i < tag.size()) {
        while (i < tag.size() && is_ws(tag[i])) ++i;
        std::size_t name_begin = i;
        while (i < tag.size() && tag[i] != '=' && !is_ws(tag[i]) && tag[i] != '/') ++i;
        std::string_view attr = tag.substr(name_begin, i - name_begin);
        while (i < tag.size() && is_ws(tag[i])) ++i;
        if (i >= tag.size() || tag[i] != '=') {
            if (i == name_begin) ++i;
            continue;
        }
        ++i;
        while (i < tag.size() && is_ws(tag[i])) ++i;
        if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) continue;
        const char quote = tag[i++];
        std::size_t value_begin = i;
        while (i < tag.size() && tag[i] != quote) ++i;
        if (local_name(attr) == name) {
            value = tag.substr(value_begin, i - value_begin);
            return true;
        }
        ++i;
    }
    return false;
}

bool number_in(std::string_view text, double& value, int* decimals = nullptr) {
    std::size_t p = text.find_first_not_of(" \t\r\n");
    if (p == std::string_view::npos) return false;
    return num::parse_double(text, p, value, decimals) && std::isfinite(value);
}

class GpxParser {
public:
    explicit GpxParser(const RecordSink& sink) : sink_(sink) {}

    void start_tag(std::string_view tag);
    void end_tag(std::string_view name);
    void text(std::string_view t) {
        if (leaf_ != Leaf::none) text_.append(t);
    }
    GpxReadSummary finish();

private:
    void begin_point(std::string_view tag, bool waypoint);
    void end_point();
    void apply_leaf();

    const RecordSink& sink_;
    GpxReadSummary summary_;
    bool in_point_ = false;
    bool point_is_waypoint_ = false;
    bool next_starts_segment_ = false;
    Record rec_;
    Leaf leaf_ = Leaf::none;
    std::string text_;
    std::vector<Record> waypoints_;
};

void GpxParser::start_tag(std::string_view tag) {
    const bool self_closing = !tag.empty() && tag.back() == '/';
    if (self_closing) tag.remove_suffix(1);
    std::size_t name_end = 0;
    while (name_end < tag.size() && !is_ws(tag[name_end])) ++name_end;
    std::string_view name = local_name(tag.substr(0, name_end));
    if (name == "trk" || name == "trkseg" || name == "rte") {
        next_starts_segment_ = true;
    } else if (name == "trkpt" || name == "rtept" || name == "wpt") {
        begin_point(tag, name == "wpt");
        if (self_closing) end_point();
        return;
    }
    if (in_point_ && !self_closing) {
        leaf_ = leaf_for(name);
        text_.clear();
    }
}

void GpxParser::end_tag(std::string_view qname) {
    std::string_view name = local_name(qname);
    if (!in_point_) return;
    if (name == "trkpt" || name == "rtept" || name == "wpt") {
        end_point();
        return;
    }
    if (leaf_ != Leaf::none && leaf_for(name) == leaf_) apply_leaf();
    leaf_ = Leaf::none;
}

void GpxParser::begin_point(std::string_view tag, bool waypoint) {
    rec_ = Record{};
    in_point_ = true;
    point_is_waypoint_ = waypoint;
    leaf_ = Leaf::none;
    rec_.position_seen = true;
    std::string_view lat_text, lon_text;
    double lat = NAN, lon = NAN;
    int lat_dec = -1, lon_dec = -1;
    if (attribute(tag, "lat", lat_text) && attribute(tag, "lon", lon_text) && number_in(lat_text, lat, &lat_dec) &&
        number_in(lon_text, lon, &lon_dec) && is_usable_position(lat, lon)) {
        rec_.has_fix = true;
        rec_.point.lat_deg = lat;
        rec_.point.lon_deg = lon;
        rec_.coord_decimals = std::min(lat_dec, lon_dec);
    }
}

void GpxParser::apply_leaf() {
    double v = 0;
    TrackPoint& pt = rec_.point;
    switch (leaf_) {
        case Leaf::ele:
            if (number_in(text_, v)) pt.set_altitude(AltitudeKind::gps, v);
            break;
        case Leaf::time:
            if (auto t = parse_iso8601_utc(text_)) {
                rec_.wall_ms = t;
                rec_.wall_is_utc = true;
            }
            break;
        case Leaf::speed:
            if (number_in(text_, v) && v >= 0) pt.speed_mps = v;
            break;
        case Leaf::power:
            if (number_in(text_, v) && v >= 0) pt.power_w = v;
            break;
        case Leaf::heart_rate:
            if (number_in(text_, v) && v >= 0) pt.heart_rate_bpm = v;
            break;
        case Leaf::cadence:
            if (number_in(text_, v) && v >= 0) pt.cadence_rpm = v;
            break;
        case Leaf::none:
            break;
    }
}

void GpxParser::end_point() {
    in_point_ = false;
    leaf_ = Leaf::none;
    if (point_is_waypoint_) {
        ++summary_.waypoints;
        if (summary_.track_points == 0) waypoints_.push_back(rec_);
        return;
    }
    ++summary_.track_points;
    waypoints_.clear();
    rec_.new_segment = next_starts_segment_;
    next_starts_segment_ = false;
    sink_(rec_);
}

GpxReadSummary GpxParser::finish() {
    if (summary_.track_points == 0) {
        for (Record& r : waypoints_) sink_(r);
    }
    waypoints_.clear();
    return summary_;
}

bool ends_with(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

GpxReadSummary read_gpx(TextSource& source, const RecordSink& sink) {
    GpxParser parser(sink);
    std::string_view piece;
    while (source.read_until('<', piece)) {
        parser.text(piece);
        if (!source.read_until('>', piece)) break;
        if (piece.empty()) continue;
        if (piece.substr(0, 3) == "!--") {
            bool closed = piece.size() >= 5 && ends_with(piece, "--");
            while (!closed && source.read_until('>', piece)) closed = ends_with(piece, "--");
        } else if (piece.substr(0, 8) == "![CDATA[") {
            // CDATA text belongs to the element it is in; keep what the first piece holds.
            std::string_view body = piece.substr(8);
            if (ends_with(body, "]]")) parser.text(body.substr(0, body.size() - 2));
            else
                while (!ends_with(piece, "]]") && source.read_until('>', piece)) {
                }
        } else if (piece[0] == '?' || piece[0] == '!') {
            continue;
        } else if (piece[0] == '/') {
            std::string_view name = piece.substr(1);
            while (!name.empty() && is_ws(name.back())) name.remove_suffix(1);
            parser.end_tag(name);
        } else {
            parser.start_tag(piece);
        }
    }
    return parser.finish();
}

GpxReadSummary read_gpx_bytes(std::string_view bytes, const RecordSink& sink) {
    TextSource source = TextSource::from_memory(bytes);
    return read_gpx(source, sink);
}

}  // namespace trakvia::engine
