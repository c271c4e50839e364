// convert_file end to end: real samples, file naming, errors, inputs without telemetry.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "missing_input.hpp"
#include "srt_fixture.hpp"
#include "trakvia/engine/convert.hpp"
#include "writer_test_tracks.hpp"

namespace trakvia::engine {
namespace {

namespace fs = std::filesystem;

using test::read_file;
using test::TempFolder;
using test::write_file;

const fs::path kData = TRAKVIA_SHARED_DATA_DIR;

std::vector<fs::path> sample_files() {
    std::vector<fs::path> out;
    for (const char* sub : {"srt", "gpx"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(kData / sub, ec)) {
            std::string ext = e.path().extension().string();
            for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
            if (ext == ".srt" || ext == ".gpx") out.push_back(e.path());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(ConvertSamples, EverySampleConvertsWithPlausibleNumbers) {
    auto files = sample_files();
    if (files.empty()) TRAKVIA_SKIP_OR_FAIL_IN_CI << "no shared sample data at " << kData;
    for (const fs::path& input : files) {
        SCOPED_TRACE(input.filename().string());
        TempFolder out("convert");
        ConvertOptions options;
        options.sample_mode = SampleMode::hz1;
        ConvertReport r = convert_file(input, out.path(), options);
        EXPECT_EQ(r.track_name, input.stem().string());
        EXPECT_LE(r.valid_point_count, r.raw_point_count);
        EXPECT_LE(r.filtered_point_count, r.valid_point_count);
        EXPECT_LT(r.total_distance_m, 10000.0);
        EXPECT_LT(r.max_speed_kmh, 150.0);
        EXPECT_EQ(r.max_power_w, 0.0);
        if (r.valid_point_count == 0) {
            EXPECT_TRUE(r.output_files.empty());
            EXPECT_TRUE(fs::is_empty(out.path()));
            continue;
        }
        EXPECT_GE(r.filtered_point_count, std::min<std::size_t>(2, r.valid_point_count));
        ASSERT_EQ(r.output_files.size(), 4u);
        for (const fs::path& f : r.output_files) {
            EXPECT_EQ(f.parent_path(), out.path());
            EXPECT_EQ(f.stem(), input.stem());
            EXPECT_GT(fs::file_size(f), 0u);
        }
        EXPECT_NE(r.time_source, "none");
    }
}

struct SampleExpectation {
    const char* file;
    std::size_t valid;
    double distance_min, distance_max;
    const char* time_source;
    const char* elevation;
};

class ConvertKnownSamples : public ::testing::TestWithParam<SampleExpectation> {};

TEST_P(ConvertKnownSamples, MatchTheirFlights) {
    const auto& c = GetParam();
    fs::path input = kData / "srt" / c.file;
    if (!fs::exists(input)) input = kData / "gpx" / c.file;
    if (!fs::exists(input)) TRAKVIA_SKIP_OR_FAIL_IN_CI << input;
    TempFolder out("convert");
    ConvertOptions options;
    options.formats = 0;  // numbers only
    ConvertReport r = convert_file(input, out.path(), options);
    EXPECT_EQ(r.valid_point_count, c.valid);
    EXPECT_GE(r.total_distance_m, c.distance_min);
    EXPECT_LE(r.total_distance_m, c.distance_max);
    EXPECT_EQ(r.time_source, c.time_source);
    EXPECT_EQ(r.elevation_source, c.elevation);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ConvertKnownSamples,
    ::testing::Values(
        // Unsmoothed 2-D sums; a 3-D, equatorial-radius peer reports 3 204, 1 993 and 1 720 m.
        SampleExpectation{"mavic_pro_2017.SRT", 468, 2800, 2950, "wall_clock_computer_zone", "relative"},
        SampleExpectation{"inspire1_2016_ultrasonic.SRT", 310, 1750, 1900, "wall_clock_computer_zone", "relative"},
        SampleExpectation{"matrice300_2022_crlf.srt", 381, 1500, 1650, "wall_clock_computer_zone", "relative"},
        SampleExpectation{"legacy_f28_2017_last_block_truncated.SRT", 19, 0, 50, "wall_clock_computer_zone", "relative"},
        SampleExpectation{"mavic_pro_2017_two_files_concatenated.SRT", 811, 3500, 4000, "wall_clock_computer_zone", "relative"},
        SampleExpectation{"phantom4rtk_2019.SRT", 55, 600, 720, "cue", "relative"},
        SampleExpectation{"mini5pro_2026.SRT", 5, 0, 1, "wall_clock_computer_zone", "relative"},
        SampleExpectation{"matrice300rtk_h20_2024_multiline.SRT", 7, 0, 1, "wall_clock_computer_zone", "absolute"},
        SampleExpectation{"mavic2pro_2019_bom_noalt_dropped_frames.SRT", 8952, 3000, 4000, "wall_clock_computer_zone", ""},
        SampleExpectation{"mini2_2021_airdata.gpx", 10941, 700, 780, "utc", "gps"}),
    [](const auto& info) {
        std::string n = info.param.file;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(Convert, ReportNumbersDoNotDependOnTheSamplingMode) {
    fs::path input = kData / "srt" / "mavic3_2021.srt";
    if (!fs::exists(input)) TRAKVIA_SKIP_OR_FAIL_IN_CI << input;
    TempFolder out("convert");
    std::optional<ConvertReport> first;
    for (SampleMode mode : {SampleMode::all, SampleMode::hz1, SampleMode::s5, SampleMode::dist2m}) {
        ConvertOptions options;
        options.sample_mode = mode;
        options.formats = format_gpx;
        ConvertReport r = convert_file(input, out.path(), options);
        if (!first) {
            first = r;
            EXPECT_EQ(r.filtered_point_count, r.valid_point_count);
            continue;
        }
        EXPECT_LT(r.filtered_point_count, first->filtered_point_count);
        EXPECT_DOUBLE_EQ(r.total_distance_m, first->total_distance_m);
        EXPECT_DOUBLE_EQ(r.max_speed_kmh, first->max_speed_kmh);
        EXPECT_DOUBLE_EQ(r.duration_s, first->duration_s);
    }
}

TEST(Convert, OutputsNeverReplaceInputsOrKeptFilesAndReplaceOnlyTheirOwnEarlierTracks) {
    TempFolder dir("convert");
    const fs::path input = dir.path() / "flight.gpx";
    const std::string original =
        "<gpx version=\"1.1\"><trk><trkseg><trkpt lat=\"41.0\" lon=\"29.0\"><time>2024-01-01T10:00:00Z</time></trkpt>"
        "<trkpt lat=\"41.0001\" lon=\"29.0\"><time>2024-01-01T10:00:01Z</time></trkpt></trkseg></trk></gpx>";
    write_file(input, original);
    write_file(dir.path() / "flight.csv", "user's own table");
    ConvertOptions options;
    options.formats = format_gpx | format_csv;
    auto names = [&] {
        ConvertReport r = convert_file(input, dir.path(), options);
        std::vector<std::string> out;
        for (const fs::path& f : r.output_files) out.push_back(f.filename().string());
        return out;
    };
    // The input holds the first name: every format moves to one free suffix together.
    EXPECT_EQ(names(), (std::vector<std::string>{"flight_2.gpx", "flight_2.csv"}));
    EXPECT_EQ(read_file(input), original);
    EXPECT_EQ(read_file(dir.path() / "flight.csv"), "user's own table");
    // A re-run replaces the tracks it wrote before: the same names again.
    EXPECT_EQ(names(), (std::vector<std::string>{"flight_2.gpx", "flight_2.csv"}));
    EXPECT_TRUE(written_by_trakvia(dir.path() / "flight_2.gpx"));
    // Outputs the run already wrote are kept, and so is an earlier track made read-only.
    options.keep_paths = {dir.path() / "flight_2.gpx"};
    EXPECT_EQ(names(), (std::vector<std::string>{"flight_3.gpx", "flight_3.csv"}));
    options.keep_paths.clear();
    fs::permissions(dir.path() / "flight_2.csv", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(names(), (std::vector<std::string>{"flight_3.gpx", "flight_3.csv"}));
}

TEST(Convert, CreatesTheOutputFolderAndNamesFilesAfterTheInput) {
    TempFolder dir("convert");
    const fs::path input = dir.path() / "DJI_0007.SRT";
    std::string text;
    for (int i = 0; i < 3; ++i) text += testing::l4_block(i + 1, i, "", 41.0 + i * 1e-4, 29.0);
    write_file(input, text);
    ConvertOptions options;
    options.formats = kDefaultFormats | format_nmea | format_mgjson;
    ConvertReport r = convert_file(input, dir.path() / "out" / "deeper", options);
    EXPECT_EQ(r.track_name, "DJI_0007");
    // No dates in these blocks: NMEA, which needs one on every point, is left out and said so.
    ASSERT_EQ(r.output_files.size(), 5u);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0].code, WarningCode::format_skipped_no_dates);
    EXPECT_EQ(r.warnings[0].detail, ".nmea");
    for (const fs::path& f : r.output_files) {
        EXPECT_TRUE(fs::exists(f)) << f;
        EXPECT_EQ(f.stem(), "DJI_0007");
    }
    EXPECT_EQ(r.filtered_point_count, 3u);
}

TEST(Convert, TurkishNamesAndSpacesSurvive) {
    TempFolder dir("convert");
    const std::string name = "Uçuş İstanbul ğö 1";
    const fs::path folder = dir.path() / fs::path(std::u8string(u8"Çıktı klasörü"));
    const fs::path input = dir.path() / fs::path(std::u8string(name.begin(), name.end()) + u8".SRT");
    write_file(input, testing::l4_block(1, 0, "", 41.0, 29.0) + testing::l4_block(2, 1, "", 41.0001, 29.0));
    ConvertOptions options;
    options.formats = format_gpx;
    ConvertReport r = convert_file(input, folder, options);
    EXPECT_EQ(r.track_name, name);
    ASSERT_EQ(r.output_files.size(), 1u);
    EXPECT_EQ(r.output_files[0], folder / fs::path(std::u8string(name.begin(), name.end()) + u8".gpx"));
    EXPECT_TRUE(fs::exists(r.output_files[0]));
}

TEST(Convert, FilesWithoutTelemetryWriteNothing) {
    TempFolder dir("convert");
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty.SRT", ""},
        {"index.SRT", "1\n"},
        {"goggles.srt",
         "1\n00:00:00,050 --> 00:00:00,133\nsignal:4 ch:2 flightTime:14 uavBat:16.2V glsBat:79% uavBatCells:4 "
         "glsBatCells:0 delay:25ms bitrate:25.4Mbps rcSignal:0\n"},
        {"nofix.srt", testing::l4_block(1, 0, "", 0.0, 0.0)},
        {"empty.gpx", "<gpx version=\"1.1\"></gpx>"},
        {"binary.srt", std::string("\x00\x01\x02\xff\xfe garbage", 14)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir.path() / c.name, c.bytes);
        ConvertReport r = convert_file(dir.path() / c.name, dir.path() / "out", ConvertOptions{});
        EXPECT_EQ(r.filtered_point_count, 0u);
        EXPECT_TRUE(r.output_files.empty());
        EXPECT_TRUE(fs::is_directory(dir.path() / "out"));
        EXPECT_TRUE(fs::is_empty(dir.path() / "out"));
        EXPECT_FALSE(r.warnings.empty());
    }
}

TEST(Convert, UnreadableInputThrowsInputErrorWithErrno) {
    TempFolder dir("convert");
    try {
        convert_file(dir.path() / "missing.SRT", dir.path(), ConvertOptions{});
        FAIL() << "no exception";
    } catch (const InputError& e) {
        EXPECT_EQ(e.errno_value, ENOENT);
    }
    try {
        convert_file(dir.path(), dir.path(), ConvertOptions{});
        FAIL() << "no exception";
    } catch (const InputError& e) {
        EXPECT_EQ(e.errno_value, EISDIR);
    }
}

TEST(Convert, ItsOwnGpxReadsBackWithTheSameNumbers) {
    TempFolder dir("convert");
    const fs::path input = dir.path() / "DJI_0001.SRT";
    std::string text;
    for (int i = 0; i < 60; ++i) {
        char wall[40];
        std::snprintf(wall, sizeof wall, "2024-05-23 17:%02d:%02d.%03d", 36 + (i / 2) / 60, (i / 2) % 60, (i % 2) * 500);
        text += testing::l4_block(i + 1, i * 0.5, wall, 41.0 + i * 3e-5, 29.0 + i * 1e-5, 10.0 + i, 300.0 + i);
    }
    write_file(input, text);
    ConvertOptions options;
    options.sample_mode = SampleMode::all;
    options.formats = format_gpx;
    options.utc_offset_minutes = 180;
    ConvertReport first = convert_file(input, dir.path() / "out", options);
    ASSERT_EQ(first.output_files.size(), 1u);

    options.formats = 0;
    ConvertReport again = convert_file(first.output_files[0], dir.path() / "out", options);
    EXPECT_EQ(again.valid_point_count, first.valid_point_count);
    EXPECT_NEAR(again.total_distance_m, first.total_distance_m, 1e-3 * first.total_distance_m);
    EXPECT_NEAR(again.duration_s, first.duration_s, 1e-9);
    EXPECT_EQ(again.time_source, "utc");
    EXPECT_EQ(again.elevation_source, "gps");
}

TEST(Convert, SupportedExtensions) {
    EXPECT_EQ(supported_extensions(), (std::vector<std::string>{".srt", ".gpx"}));
}

}  // namespace
}  // namespace trakvia::engine
