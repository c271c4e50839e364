// convert_file: open the input, build the track, write one file per requested format.
#include "trakvia/engine/convert.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "output_names.hpp"
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

FilePtr open_input(const fs::path& input) {
    std::error_code ec;
    if (fs::is_directory(input, ec)) throw input_error(input, EISDIR);
    errno = 0;
#ifdef _WIN32
    std::FILE* f = _wfopen(input.c_str(), L"rb");
#else
    std::FILE* f = std::fopen(input.c_str(), "rb");
#endif
    if (!f) throw input_error(input, errno);
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

}  // namespace

ConvertReport convert_file(const fs::path& input, const fs::path& output_dir, const ConvertOptions& options) {
    FilePtr file = open_input(input);
    // The folder exists afterwards whatever the input holds: callers list it or write beside it.
    fs::create_directories(output_dir);
    const InputKind kind = input_kind(input, file.get());
    std::FILE* raw = file.get();
    TextSource source([raw, &input](char* buffer, std::size_t size) {
        std::size_t n = std::fread(buffer, 1, size, raw);
        if (n == 0 && std::ferror(raw)) throw input_error(input, errno);
        return n;
    });
    std::error_code size_error;
    if (const auto size = fs::file_size(input, size_error); !size_error) source.set_expected_size(size);

    BuiltTrack built = build_track(source, kind, options);
    file.reset();

    ConvertReport report = std::move(built.report);
    Track& track = built.track;
    track.name = utf8(input.stem());
    track.source_file = utf8(input);
    report.track_name = track.name;
    if (track.points.empty()) return report;

    std::vector<const TrackWriter*> writers;
    std::vector<std::string_view> extensions;
    for (OutputFormat format : kAllOutputFormats) {
        if (!(options.formats & format)) continue;
        writers.push_back(&writer_for(format));
        extensions.push_back(writers.back()->extension());
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
