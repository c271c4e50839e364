// Output naming: the stem that suits every format of one conversion.
#include "output_names.hpp"

#include <fstream>
#include <set>
#include <system_error>

namespace trakvia::engine {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeadBytes = 4096;
constexpr int kLastSuffix = 99999;
// Formats whose files carry a mark of their own; a CSV or NMEA file beside one of them, of the
// same stem and the shape this program writes, is taken for its sibling from the same run.
constexpr std::string_view kMarkedExtensions[] = {".gpx", ".kml", ".geojson", ".mgjson"};

std::string head_of(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string head(kHeadBytes, '\0');
    in.read(head.data(), std::streamsize(head.size()));
    head.resize(std::size_t(in.gcount()));
    return head;
}

std::string lower_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

bool has(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

fs::path path_from_utf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string key_of(const fs::path& p) { return p.lexically_normal().generic_string(); }

// A CSV or NMEA file whose first line has the shape this program writes.
bool looks_like_own_table(const fs::path& file, const std::string& ext) {
    const std::string head = head_of(file);
    const std::string first = head.substr(0, head.find('\n'));
    if (ext == ".csv") return has(first, "GPSLatitude,GPSLongitude");
    if (ext == ".nmea") return first.rfind("$GP", 0) == 0;
    return false;
}

bool replaceable(const fs::path& target, const std::string& ext, const fs::path& dir, const std::string& stem,
                 const std::string& source_name) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(target, ec);
    if (ec || !fs::is_regular_file(st)) return false;  // a link, folder or device stays
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) return false;  // kept read-only on purpose
    if (written_by_trakvia(target, source_name)) return true;
    if (!looks_like_own_table(target, ext)) return false;
    for (std::string_view marked : kMarkedExtensions) {
        if (written_by_trakvia(dir / path_from_utf8(stem + std::string(marked)), source_name)) return true;
    }
    return false;
}

}  // namespace

bool written_by_trakvia(const fs::path& file, const std::string& source_name) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(file, ec))) return false;
    const auto u8ext = file.extension().u8string();
    const std::string ext = lower_ascii(std::string(u8ext.begin(), u8ext.end()));
    if (ext == ".gpx") return has(head_of(file), "creator=\"Trakvia\"");
    if (ext == ".mgjson") return has(head_of(file), "\"creator\": \"Trakvia\"");
    if (source_name.empty()) return false;
    if (ext == ".kml") return has(head_of(file), "<description>" + source_name + "</description>");
    if (ext == ".geojson") return has(head_of(file), "\"source\": \"" + source_name + "\"");
    return false;
}

std::string output_stem(const fs::path& output_dir, const std::string& name, const std::vector<std::string_view>& extensions,
                        const fs::path& input, const std::string& source_name, const std::vector<fs::path>& keep) {
    std::set<std::string> kept;
    for (const fs::path& p : keep) kept.insert(key_of(p));
    kept.insert(key_of(input));
    for (int suffix = 1; suffix <= kLastSuffix; ++suffix) {
        const std::string stem = suffix == 1 ? name : name + "_" + std::to_string(suffix);
        bool usable = true;
        for (std::string_view ext : extensions) {
            const fs::path target = output_dir / path_from_utf8(stem + std::string(ext));
            std::error_code ec;
            const bool present = fs::exists(fs::symlink_status(target, ec));
            if (kept.count(key_of(target)) != 0 || (present && fs::equivalent(target, input, ec)) ||
                (present && !replaceable(target, lower_ascii(ext), output_dir, stem, source_name))) {
                usable = false;
                break;
            }
        }
        if (usable) return stem;
    }
    throw fs::filesystem_error("Boş çıktı adı bulunamadı", output_dir / path_from_utf8(name),
                               std::make_error_code(std::errc::file_exists));
}

}  // namespace trakvia::engine
