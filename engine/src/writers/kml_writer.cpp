// KML 2.2 writer: a gx:Track (gx:MultiTrack for several spans) when every point has a time,
// with speed, power, heart rate and cadence as ExtendedData arrays; otherwise a LineString
// (MultiGeometry for several spans, Point for a single fix). Never both for the same points,
// so readers count each point once.
#include "writers/format_writers.hpp"
#include "writers/text_buffer.hpp"
#include "writers/track_shape.hpp"

namespace trakvia::engine::writers {
namespace {

struct ArrayField {
    PointValue value;
    std::string_view name;          // the array name readers look up
    std::string_view display_name;  // shown in Google Earth's elevation profile
    int decimals;
};

constexpr ArrayField kArrayFields[] = {
    {PointValue::speed, "speed", "Hız (m/s)", kSpeedDecimals},
    {PointValue::power, "power", "Güç (W)", 0},
    {PointValue::heart_rate, "heartrate", "Nabız (vuru/dk)", 0},
    {PointValue::cadence, "cadence", "Kadans (dev/dk)", 0},
};

// absolute: metres above sea level; take-off-relative and above-ground heights are drawn
// relative to the terrain, the nearest mode KML has for them.
std::string_view altitude_mode(AltitudeKind kind) {
    switch (kind) {
        case AltitudeKind::relative:
        case AltitudeKind::ultrasonic: return "relativeToGround";
        default: return "absolute";
    }
}

// `lon,lat[,alt]` for <coordinates>; gx:coord (sep ' ') always takes three values, and
// ExifTool skips a track whose gx:coord has two, so a point without elevation gets 0 there:
// with no altitudeMode the track is clamped to the ground and the value is not used (a
// lone point without one in a track with elevation gets the same 0).
void write_position(TextBuffer& out, const Track& track, const TrackPoint& p, char sep) {
    out.fixed(p.lon_deg, kDegreeDecimals);
    out << sep;
    out.fixed(p.lat_deg, kDegreeDecimals);
    if (const auto ele = elevation(track, p)) {
        out << sep;
        out.fixed(*ele, kMetreDecimals);
    } else if (sep == ' ') {
        out << " 0";
    }
}

// A part's altitude mode only when each of its points has an elevation: a part with 2-D
// coordinates (or the 0 put in for a missing one) marked absolute would be drawn at sea level;
// without a mode it is clamped to the ground.
void write_altitude_mode(TextBuffer& out, const Track& track, const Segment& seg, std::string_view indent) {
    if (!track.elevation_kind) return;
    for (std::size_t i = seg.begin; i < seg.end; ++i)
        if (!elevation(track, track.points[i])) return;
    out << indent << "<altitudeMode>" << altitude_mode(*track.elevation_kind) << "</altitudeMode>\n";
}

void write_gx_track(TextBuffer& out, const Track& track, const Segment& seg, bool utc,
                    const std::vector<const ArrayField*>& fields, std::string_view indent) {
    out << indent << "<gx:Track>\n";
    write_altitude_mode(out, track, seg, std::string(indent) + " ");
    for (std::size_t i = seg.begin; i < seg.end; ++i) {
        out << indent << " <when>";
        out.iso_time(*track.points[i].time_ms, utc);
        out << "</when>\n";
        out.flush_if_full();
    }
    for (std::size_t i = seg.begin; i < seg.end; ++i) {
        out << indent << " <gx:coord>";
        write_position(out, track, track.points[i], ' ');
        out << "</gx:coord>\n";
        out.flush_if_full();
    }
    if (!fields.empty()) {
        out << indent << " <ExtendedData><SchemaData schemaUrl=\"#trakvia_point\">\n";
        for (const ArrayField* f : fields) {
            out << indent << "  <gx:SimpleArrayData name=\"" << f->name << "\">";
            for (std::size_t i = seg.begin; i < seg.end; ++i) {
                if (const auto v = point_value(track.points[i], f->value)) {
                    out << "<gx:value>";
                    out.fixed(*v, f->decimals);
                    out << "</gx:value>";
                } else {
                    out << "<gx:value/>";
                }
                out.flush_if_full();
            }
            out << "</gx:SimpleArrayData>\n";
        }
        out << indent << " </SchemaData></ExtendedData>\n";
    }
    out << indent << "</gx:Track>\n";
}

void write_line(TextBuffer& out, const Track& track, const Segment& seg, std::string_view indent) {
    const bool point = seg.size() == 1;
    out << indent << (point ? "<Point>\n" : "<LineString>\n");
    write_altitude_mode(out, track, seg, std::string(indent) + " ");
    out << indent << " <coordinates>";
    for (std::size_t i = seg.begin; i < seg.end; ++i) {
        if (i != seg.begin) out << '\n';
        write_position(out, track, track.points[i], ',');
        out.flush_if_full();
    }
    out << "</coordinates>\n" << indent << (point ? "</Point>\n" : "</LineString>\n");
}

class KmlWriter final : public TrackWriter {
public:
    OutputFormat format() const override { return format_kml; }
    std::string_view extension() const override { return ".kml"; }

    void write(std::ostream& stream, const Track& track) const override {
        TextBuffer out(stream);
        const TrackSurvey survey = survey_track(track);
        const bool timed = survey.every_point_timed;
        const bool utc = survey.clock == Clock::utc;
        std::vector<const ArrayField*> fields;
        if (timed) {
            for (const ArrayField& f : kArrayFields) {
                if (survey.contents.has(f.value)) fields.push_back(&f);
            }
        }
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n"
               "<Document>\n <name>";
        out.xml_text(track.name);
        out << "</name>\n";
        if (!fields.empty()) {
            out << " <Schema id=\"trakvia_point\">\n";
            for (const ArrayField* f : fields) {
                out << "  <gx:SimpleArrayField name=\"" << f->name << "\" type=\"float\"><displayName>"
                    << f->display_name << "</displayName></gx:SimpleArrayField>\n";
            }
            out << " </Schema>\n";
        }
        if (!track.points.empty()) {
            out << " <Placemark>\n  <name>";
            out.xml_text(track.name);
            out << "</name>\n";
            const std::string_view source = file_name_of(track.source_file);
            if (!source.empty()) {
                out << "  <description>";
                out.xml_text(source);
                out << "</description>\n";
            }
            if (timed) {
                const auto& segs = survey.segments;
                if (segs.size() == 1) {
                    write_gx_track(out, track, segs[0], utc, fields, "  ");
                } else {
                    out << "  <gx:MultiTrack>\n   <gx:interpolate>0</gx:interpolate>\n";
                    for (const Segment& s : segs) write_gx_track(out, track, s, utc, fields, "   ");
                    out << "  </gx:MultiTrack>\n";
                }
            } else {
                const auto segs = line_segments(survey.segments);
                if (segs.size() == 1) {
                    write_line(out, track, segs[0], "  ");
                } else {
                    out << "  <MultiGeometry>\n";
                    for (const Segment& s : segs) write_line(out, track, s, "   ");
                    out << "  </MultiGeometry>\n";
                }
            }
            out << " </Placemark>\n";
        }
        out << "</Document>\n</kml>\n";
        out.flush();
    }
};

}  // namespace

const TrackWriter& kml_writer() {
    static const KmlWriter writer;
    return writer;
}

}  // namespace trakvia::engine::writers
