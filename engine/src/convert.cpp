// convert_file: open the input, build the track, write one file per requested format.
#include "trakvia/engine/convert.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <memory>
#include <system_error>

#include "output_names.hpp"
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "pipeline.hpp"
#include "trakvia/engine/writers.hpp"

namespace trakvia::engine {

namespace fs = std::filesystem;

namespace {

std::string utf8(const fs::path& p) {
    auto s = p.u8string();
    return std::string(s.begin(), s.end());
}

fs::path path_from_utf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string lower_ascii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// The error for an input that cannot be read: "<path>: <strerror>" and the errno (EIO when
// the library left none).
InputError input_error(const fs::path& input, int errno_value) {
    const int code = errno_value ? errno_value : EIO;
    return InputError(utf8(input) + ": " + std::strerror(code), code);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Only a regular file is read: a FIFO or a device would block or never end.
InputError not_a_file(const fs::path& input) {
    return InputError(utf8(input) + ": not a regular file", EINVAL,
                      "Normal bir dosya değil (FIFO, aygıt ya da soket okunmaz)");
}

FilePtr open_input(const fs::path& input) {
    std::error_code ec;
    const fs::file_status status = fs::status(input, ec);
    if (fs::is_directory(status)) throw input_error(input, EISDIR);
    if (!ec && fs::exists(status) && !fs::is_regular_file(status)) throw not_a_file(input);
    errno = 0;
#ifdef _WIN32
    std::FILE* f = _wfopen(input.c_str(), L"rb");
    if (!f) throw input_error(input, errno);
#else
    // Opened without blocking and checked again on the open file, so a FIFO put in its place
    // after the check above cannot hang the read.
    const int fd = ::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw input_error(input, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool is_dir = S_ISDIR(st.st_mode);
        ::close(fd);
        if (is_dir) throw input_error(input, EISDIR);
        throw not_a_file(input);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        const int code = errno;
        ::close(fd);
        throw input_error(input, code);
    }
#endif
    return FilePtr(f);
}

// The kind from the extension; anything else is sniffed: XML is GPX, the rest SRT.
InputKind input_kind(const fs::path& input, std::FILE* f) {
    const std::string ext = lower_ascii(utf8(input.extension()));
    if (ext == ".gpx") return InputKind::gpx;
    if (ext == ".srt") return InputKind::srt;
    char head[64];
    std::size_t n = std::fread(head, 1, sizeof head, f);
    std::rewind(f);
    std::size_t i = 0;
    if (n >= 3 && std::memcmp(head, "\xEF\xBB\xBF", 3) == 0) i = 3;
    while (i < n && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) ++i;
    return i < n && head[i] == '<' ? InputKind::gpx : InputKind::srt;
}

// Progress is reported (and the cancel check asked) after each read once this much more input
// has come in, and at the end.
constexpr std::uint64_t kProgressStep = 4u << 20;

// Formats whose points must all carry a date: NMEA sentences hold UTC times of day with a date,
// and a reader invents one (or drops the points) when it is missing.
bool needs_dates(OutputFormat format) { return format == format_nmea; }

bool every_point_dated(const Track& track) {
    for (const TrackPoint& p : track.points)
        if (!p.time_ms) return false;
    return true;
}

// The reading both calls share, from the opened input.
TrackReading read_open_input(FilePtr file, const fs::path& input, const ConvertOptions& options,
                             const RunContext& context) {
    const InputKind kind = input_kind(input, file.get());
    std::error_code size_error;
    std::uint64_t total = fs::file_size(input, size_error);
    if (size_error) total = 0;

    std::FILE* raw = file.get();
    std::uint64_t read_so_far = 0, next_report = 0;
    TextSource source([&](char* buffer, std::size_t size) {
        std::size_t n = std::fread(buffer, 1, size, raw);
        if (n == 0 && std::ferror(raw)) throw input_error(input, errno);
        read_so_far += n;
        if (read_so_far >= next_report || n == 0) {
            next_report = read_so_far + kProgressStep;
            if (context.cancelled && context.cancelled()) throw Cancelled();
            if (context.progress) context.progress(read_so_far, std::max(total, read_so_far));
        }
        return n;
    });
    if (total) source.set_expected_size(total);

    BuiltTrack built = build_track(source, kind, options, context.zone_at);
    file.reset();

    TrackReading out{std::move(built.track), std::move(built.report)};
    out.track.name = utf8(input.stem());
    out.track.source_file = utf8(input);
    out.report.track_name = out.track.name;
    return out;
}

}  // namespace

TrackReading read_track(const fs::path& input, const ConvertOptions& options, const RunContext& context) {
    return read_open_input(open_input(input), input, options, context);
}

ConvertReport convert_file(const fs::path& input, const fs::path& output_dir, const ConvertOptions& options,
                           const RunContext& context) {
    FilePtr file = open_input(input);
    // The folder exists afterwards whatever the input holds: callers list it or write beside it.
    fs::create_directories(output_dir);
    TrackReading reading = read_open_input(std::move(file), input, options, context);
    ConvertReport report = std::move(reading.report);
    const Track& track = reading.track;
    if (track.points.empty()) return report;

    const bool dated = every_point_dated(track);
    std::vector<const TrackWriter*> writers;
    std::vector<std::string_view> extensions;
    for (OutputFormat format : kAllOutputFormats) {
        if (!(options.formats & format)) continue;
        const TrackWriter& writer = writer_for(format);
        if (needs_dates(format) && !dated) {
            report.warnings.push_back({WarningCode::format_skipped_no_dates, 0, 0, std::string(writer.extension())});
            continue;
        }
        writers.push_back(&writer);
        extensions.push_back(writer.extension());
    }
    const std::string stem =
        output_stem(output_dir, track.name, extensions, input, utf8(input.filename()), options.keep_paths);
    for (const TrackWriter* writer : writers) {
        fs::path target = output_dir / path_from_utf8(stem + std::string(writer->extension()));
        write_file_atomically(target, [&](std::ostream& out) { writer->write(out, track); });
        report.output_files.push_back(target);
    }
    return report;
}

const std::vector<std::string>& supported_extensions() {
    static const std::vector<std::string> exts{".srt", ".gpx"};
    return exts;
}

}  // namespace trakvia::engine
