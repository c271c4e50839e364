// SRT reader: every layout on verbatim blocks, encodings and line ends, and the traps.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "civil_time.hpp"
#include "srt_reader.hpp"

namespace trakvia::engine {
namespace {

std::vector<Record> read_all(std::string_view text) {
    std::vector<Record> out;
    read_srt_bytes(text, [&](Record& r) { out.push_back(r); });
    return out;
}

std::int64_t local_ms(int y, int mo, int d, int h, int mi, int s, int ms) {
    return *civil_to_ms(y, mo, d, h, mi, s, ms);
}

struct LayoutCase {
    const char* name;
    const char* text;
    double lat, lon;
    double cue_s;
    std::int64_t wall_ms;  // 0: none
    int relative_cm;       // INT32_MIN: none
    int absolute_cm;
};
constexpr int kNone = INT32_MIN;

class SrtLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SrtLayouts, ReadsPositionTimeAndAltitudes) {
    const LayoutCase& c = GetParam();
    auto recs = read_all(c.text);
    ASSERT_EQ(recs.size(), 1u);
    const Record& r = recs[0];
    ASSERT_TRUE(r.has_fix);
    EXPECT_NEAR(r.point.lat_deg, c.lat, 1e-9);
    EXPECT_NEAR(r.point.lon_deg, c.lon, 1e-9);
    EXPECT_NEAR(r.point.cue_s, c.cue_s, 1e-9);
    if (c.wall_ms) {
        ASSERT_TRUE(r.wall_ms);
        EXPECT_EQ(*r.wall_ms, c.wall_ms);
        EXPECT_FALSE(r.wall_is_utc);
    } else {
        EXPECT_FALSE(r.wall_ms);
    }
    if (c.relative_cm == kNone) {
        EXPECT_FALSE(r.point.has_altitude(AltitudeKind::relative));
    } else {
        ASSERT_TRUE(r.point.has_altitude(AltitudeKind::relative));
        EXPECT_NEAR(r.point.altitude(AltitudeKind::relative), c.relative_cm / 100.0, 0.006);
    }
    if (c.absolute_cm == kNone) {
        EXPECT_FALSE(r.point.has_altitude(AltitudeKind::absolute));
    } else {
        ASSERT_TRUE(r.point.has_altitude(AltitudeKind::absolute));
        EXPECT_NEAR(r.point.altitude(AltitudeKind::absolute), c.absolute_cm / 100.0, 0.006);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, SrtLayouts,
    ::testing::Values(
        LayoutCase{"L1_mavic_pro",
                   "1\n00:00:01,000 --> 00:00:02,000\nHOME(149.0251,-20.2532) 2017.08.05 14:11:51\n"
                   "GPS(149.0251,-20.2533,16) BAROMETER:1.9\nISO:100 Shutter:60 EV: Fnum:2.2\n",
                   -20.2533, 149.0251, 1.0, local_ms(2017, 8, 5, 14, 11, 51, 0), 190, kNone},
        LayoutCase{"L1_inspire_ultrasonic",
                   "1\n00:00:01,000 --> 00:00:02,000\nHOME(-56.0806,-15.5899) 2016.10.06 13:21:51\n"
                   "GPS(-56.0806,-15.5899,10) BAROMETER:0.0 ULTRASONIC:0.1\nISO:100 Shutter:1000 EV:-1/3 Fnum:F2.8 \n",
                   -15.5899, -56.0806, 1.0, local_ms(2016, 10, 6, 13, 21, 51, 0), 0, kNone},
        LayoutCase{"L1_constructed_hb",
                   "1\n00:00:01,000 --> 00:00:02,000\nHOME(149.0251,-20.2532) 2017.8.5 14:11:51\n"
                   "GPS(149.0251,-20.2533,16) Hb:1.9 Hs:1.9\nISO:100 TV:60 EV: 0 IR:F2.8\n",
                   -20.2533, 149.0251, 1.0, local_ms(2017, 8, 5, 14, 11, 51, 0), 190, kNone},
        LayoutCase{"L2_phantom4pro",
                   "1\n00:00:00,000 --> 00:00:01,000\nF/3.2, SS 160, ISO 100, EV 0, GPS (8.2090, 47.4692, 18), "
                   "D 49.21m, H 45.60m, H.S 0.00m/s, V.S 0.00m/s \n",
                   47.4692, 8.2090, 0.0, 0, 4560, kNone},
        LayoutCase{"L2_p4rtk_rtk_fix",
                   "36\n00:00:35,000 --> 00:00:36,000\nF/6.3, SS 60, ISO 100, EV 0, RTK (120.083799, 30.213635, 28), "
                   "HOME (120.084146, 30.214243, 103.55m), D 75.36m, H 76.19m, H.S 0.30m/s, V.S 0.00m/s, "
                   "F.PRY (-5.3\xC2\xB0, 2.1\xC2\xB0, 28.3\xC2\xB0), G.PRY (-40.0\xC2\xB0, 0.0\xC2\xB0, 28.2\xC2\xB0)\n",
                   30.213635, 120.083799, 35.0, 0, 7619, kNone},
        LayoutCase{"L2_debug_prefix",
                   "1\n00:00:00,000 --> 00:00:00,033\nNo:1, F/2.8, SS 155.55, ISO 100, EV 0, M.M AE_METER_CENTER, "
                   "A.T (126,109), Luma 106, Coef(1.000000, 1.000000, 1.000000), Af Rect(X:0, Y:0, W:0, H:0), "
                   "AfPos 0, Isp Info (PIPE 1,ADJ 0,De 0) GPS (-2.5927, 52.0035, 15), D 0.61m, H 1.00m, "
                   "H.S 0.00m/s, V.S 0.00m/s \n",
                   52.0035, -2.5927, 0.0, 0, 100, kNone},
        LayoutCase{"L3a_mavic2zoom_longtitude",
                   "1\n00:00:00,000 --> 00:00:00,033\n<font size=\"36\">FrameCnt : 1, DiffTime : 33ms\n"
                   "2024-05-20 15:21:15,591,499\n[iso : 100] [shutter : 1/1250.0] [fnum : 280] [ev : 0.3] [ct : 5421] "
                   "[color_md : default] [focal_len : 240] [latitude : 49.128078] [longtitude : 14.635573] "
                   "[altitude: 457.871002] </font>\n",
                   49.128078, 14.635573, 0.0, local_ms(2024, 5, 20, 15, 21, 15, 591), kNone, 45787},
        LayoutCase{"L3b_enterprise_glued_bracket",
                   "1\n00:00:00,000 --> 00:00:00,039\n<font size=\"36\">FrameCnt : 1, DiffTime : 39ms\n"
                   "2024-05-20 15:43:15,129,161\n[iso : 100] [shutter : 1/640.0] [fnum : 280] [ev : 0] [ct : 5043] "
                   "[color_md : default] [focal_len : 240] [dzoom_ratio: 10000, delta:0],[latitude: 49.129338] "
                   "[longtitude: 14.637413] [altitude: 499.411011] </font>\n",
                   49.129338, 14.637413, 0.0, local_ms(2024, 5, 20, 15, 43, 15, 129), kNone, 49941},
        LayoutCase{"L3c_enterprise_advanced",
                   "1\n00:00:00,000 --> 00:00:00,033\n<font size=\"36\">FrameCnt: 1, DiffTime: 33ms\n"
                   "2024-05-20 15:00:18,945,360\n[iso : 100] [shutter : 1/800.0] [fnum : 280] [ev : 0] [ct : 5867] "
                   "[color_md : default] [focal_len : 240] [dzoom_ratio: 10746, delta:746],[latitude: 49.128048] "
                   "[longtitude: 14.635630] [rel_alt: 4.134 abs_alt: 485.386] [Drone: Yaw:17.9, Pitch:-1.4, Roll:1.1] </font>\n",
                   49.128048, 14.635630, 0.0, local_ms(2024, 5, 20, 15, 0, 18, 945), 413, 48539},
        LayoutCase{"L3d_air2_font_on_own_line",
                   "1\n00:00:00,000 --> 00:00:00,016\n<font size=\"36\">SrtCnt : 1, DiffTime : 16ms\n"
                   "2024-04-19 14:46:07,308,705\n[iso : 100] [shutter : 1/180.0] [fnum : 280] [ev : 0] [ct : 5139] "
                   "[color_md : default] [focal_len : 319] [latitude: 39.778940] [longitude: 117.004615] "
                   "[altitude: 26.600000] \n</font>\n",
                   39.778940, 117.004615, 0.0, local_ms(2024, 4, 19, 14, 46, 7, 308), kNone, 2660},
        LayoutCase{"L4_mini5pro_negative_abs",
                   "1\n00:00:00,000 --> 00:00:00,040\n<font size=\"28\">FrameCnt: 1, DiffTime: 40ms\n"
                   "2026-05-27 13:14:22.911\n[iso: 200] [shutter: 1/6400.0] [fnum: 1.8] [ev: -0.7] [color_md: dlog_m] "
                   "[focal_len: 24.00] [latitude: 53.365108] [longitude: 6.460719] [rel_alt: 6.000 abs_alt: -122.769] "
                   "[ct: 5263] </font>\n",
                   53.365108, 6.460719, 0.0, local_ms(2026, 5, 27, 13, 14, 22, 911), 600, -12277},
        LayoutCase{"L4h_srtcnt_scaled",
                   "1\n00:00:00,000 --> 00:00:00,033\n<font size=\"28\">SrtCnt : 1, DiffTime : 33ms\n"
                   "2024-01-18 10:23:26.397\n[iso : 150] [shutter : 1/5000.0] [fnum : 170] [ev : 0] [ct : 5023] "
                   "[color_md : default] [focal_len : 240] [dzoom_ratio: 10000, delta:0],[latitude: -22.724555] "
                   "[longitude: -47.602414] [rel_alt: 0.300 abs_alt: 549.679] </font>\n",
                   -22.724555, -47.602414, 0.0, local_ms(2024, 1, 18, 10, 23, 26, 397), 30, 54968},
        LayoutCase{"L5_m300_h20_blank_and_zero_inside",
                   "1\n00:00:00,000 --> 00:00:00,033\n<font size=\"28\">FrameCnt: 1, DiffTime: 33ms\n"
                   "2024-05-20 15:06:07.221\n[iso: 100] [shutter: 1/400.0] [fnum: 2.8] [ev: -0.3] [focal_len: 47.00] [dzoom: 1.00] \n"
                   "[latitude: 49.125749] [longitude: 14.634775] [rel_alt: 54.821 abs_alt: 535.407] \n"
                   "[drone_speedx: 0.0 drone_speedy: 0.0 drone_speedz: -0.1] \n"
                   "[drone_yaw: -88.3 drone_pitch: 6.0 drone_roll: 0.7] \n[gb_yaw: -75.6 gb_pitch: -12.5 gb_roll: 0.0] \n\n0\n"
                   "[ae_meter_md : 2] [dzoom_ratio: 10000, delta:0] [color_md : default] [ct : 5534] \n"
                   "[af cnn:1,4,1,0,env:0,move:6,laser:267569,8,0]\n"
                   "vsync[   15560] target[-0.7850 0.0673 0.0866 0.6097], shift[0.000000, 0.000000]</font>\n",
                   49.125749, 14.634775, 0.0, local_ms(2024, 5, 20, 15, 6, 7, 221), 5482, 53541},
        LayoutCase{"L6_m300_lat_first_second_60",
                   "60\n00:00:59,000 --> 00:00:60,000\n2022.06.21 16:07:16\nGPS(36.6153,-6.1130,0.0M) BAROMETER:83.8M\n",
                   36.6153, -6.1130, 59.0, local_ms(2022, 6, 21, 16, 7, 16, 0), 8380, kNone}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SrtReader, L5SpeedComponentsGiveHorizontalSpeed) {
    auto recs = read_all(
        "1\n00:00:00,000 --> 00:00:00,033\n<font size=\"28\">FrameCnt: 1, DiffTime: 33ms\n2024-05-20 15:06:07.221\n"
        "[latitude: 49.125749] [longitude: 14.634775] [rel_alt: 54.821 abs_alt: 535.407] \n"
        "[drone_speedx: 3.0 drone_speedy: -4.0 drone_speedz: -0.1] \n\n0\n[ct : 5534] </font>\n");
    ASSERT_EQ(recs.size(), 1u);
    ASSERT_TRUE(recs[0].point.speed_mps);
    EXPECT_DOUBLE_EQ(*recs[0].point.speed_mps, 5.0);
}

TEST(SrtReader, L2SpeedsAndNotAvailableSpeeds) {
    auto recs = read_all(
        "1\n00:00:00,000 --> 00:00:01,000\nF/2.8, SS 30.15, ISO 260, EV -1.7, GPS (-121.7458, 48.0771, 17), "
        "D 221.21m, H 200.70m, H.S n/a, V.S n/a \n\n"
        "2\n00:00:01,000 --> 00:00:02,000\nF/2.8, SS 30.15, ISO 260, EV -1.7, GPS (-121.7458, 48.0772, 17), "
        "D 221.21m, H 200.70m, H.S 4.25m/s, V.S -1.50m/s \n");
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_FALSE(recs[0].point.speed_mps);
    EXPECT_DOUBLE_EQ(*recs[1].point.speed_mps, 4.25);
    EXPECT_DOUBLE_EQ(*recs[1].point.vertical_speed_mps, -1.5);
}

// Only a font tag whose size is 28 marks the DJI FPV; a 28 elsewhere in a tag does not.
class SrtFpvFont : public ::testing::TestWithParam<std::pair<const char*, bool>> {};

TEST_P(SrtFpvFont, AltitudeIsMultipliedByTenOnlyForFontSize28) {
    const auto [tag, fpv] = GetParam();
    std::vector<Record> recs;
    const SrtReadSummary summary = read_srt_bytes(
        "1\n00:00:00,000 --> 00:00:00,033\n" + std::string(tag) + "FrameCnt: 1, DiffTime: 33ms\n2021-06-01 10:00:00.100\n"
        "[iso : 100] [latitude: 45.1] [longitude: 7.2] [altitude: -8.398028] </font>\n",
        [&](Record& r) { recs.push_back(r); });
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_NEAR(recs[0].point.altitude(AltitudeKind::absolute), fpv ? -83.98028 : -8.398028, 1e-9);
    EXPECT_EQ(summary.fpv_altitude_scaled, fpv);
}

INSTANTIATE_TEST_SUITE_P(Tags, SrtFpvFont,
                         ::testing::Values(std::pair{"<font size=\"28\">", true}, std::pair{"< font size='28' >", true},
                                           std::pair{"<font size=28>", true}, std::pair{"<font size=\"36\">", false},
                                           std::pair{"<font size=\"280\">", false},
                                           std::pair{"<font color=\"28\" size=\"36\">", false}));

// The same two blocks in every encoding and line-end convention a re-saved file can have.
std::string utf16(std::string_view ascii, bool little_endian, bool bom) {
    std::string out;
    if (bom) out += little_endian ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : ascii) {
        if (little_endian) {
            out += c;
            out += '\0';
        } else {
            out += '\0';
            out += c;
        }
    }
    return out;
}

struct EncodingCase {
    const char* name;
    std::string bytes;
};

class SrtEncodings : public ::testing::TestWithParam<EncodingCase> {};

const char* kTwoBlocks =
    "1\n00:00:01,000 --> 00:00:02,000\nHOME(149.0251,-20.2532) 2017.08.05 14:11:51\n"
    "GPS(149.0251,-20.2533,16) BAROMETER:1.9\nISO:100 Shutter:60 EV: Fnum:2.2\n\n"
    "2\n00:00:02,000 --> 00:00:03,000\nHOME(149.0251,-20.2532) 2017.08.05 14:11:52\n"
    "GPS(149.0252,-20.2534,16) BAROMETER:2.5\nISO:100 Shutter:60 EV: Fnum:2.2";

std::string with_line_ends(std::string_view text, std::string_view eol) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += eol;
        else out += c;
    }
    return out;
}

TEST_P(SrtEncodings, DecodesToTheSamePoints) {
    auto recs = read_all(GetParam().bytes);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_NEAR(recs[1].point.lat_deg, -20.2534, 1e-12);
    EXPECT_NEAR(recs[1].point.lon_deg, 149.0252, 1e-12);
    EXPECT_NEAR(recs[1].point.altitude(AltitudeKind::relative), 2.5, 1e-12);
    EXPECT_NEAR(recs[1].point.cue_s, 2.0, 1e-12);
    EXPECT_EQ(*recs[1].wall_ms - *recs[0].wall_ms, 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, SrtEncodings,
    ::testing::Values(EncodingCase{"utf8_lf", kTwoBlocks},
                      EncodingCase{"utf8_bom_crlf", "\xEF\xBB\xBF" + with_line_ends(kTwoBlocks, "\r\n")},
                      EncodingCase{"bare_cr", with_line_ends(kTwoBlocks, "\r")},
                      EncodingCase{"double_blank_trailing_spaces", with_line_ends(kTwoBlocks, "   \n\n")},
                      EncodingCase{"utf16le_bom", utf16(with_line_ends(kTwoBlocks, "\r\n"), true, true)},
                      EncodingCase{"utf16be_bom", utf16(kTwoBlocks, false, true)},
                      EncodingCase{"utf16le_no_bom", utf16(kTwoBlocks, true, false)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SrtReader, InvalidFixesAreRecordsWithoutPosition) {
    // N/A (satellite count still there), 0/0 before the first fix, and a line cut mid-key.
    auto recs = read_all(
        "16\n00:00:16,000 --> 00:00:17,000\nHOME(-1.2218,42.4668) 2018.08.19 08:00:51\nGPS(N/A,N/A,4) BAROMETER:0.0\n"
        "ISO:100 Shutter:60 EV: Fnum:2.2 \n\n"
        "1\n00:00:00,000 --> 00:00:00,033\n<font size=\"28\">FrameCnt: 1, DiffTime: 33ms\n2026-01-01 10:00:00.000\n"
        "[latitude: 0.000000] [longitude: 0.000000] [rel_alt: 0.000 abs_alt: 0.000] </font>\n\n"
        "2\n00:00:00,033 --> 00:00:00,066\n<font size=\"36\">FrameCnt : 2, DiffTime : 33ms\n"
        "2020-01-01 10:00:00,000,000\n[iso : 100] [latit\n");
    ASSERT_EQ(recs.size(), 3u);
    for (const Record& r : recs) EXPECT_FALSE(r.has_fix);
    EXPECT_TRUE(recs[0].position_seen);
    EXPECT_TRUE(recs[1].position_seen);
    EXPECT_NEAR(recs[0].point.altitude(AltitudeKind::relative), 0.0, 0);
}

TEST(SrtReader, BlocksWithoutCueLinesAreSplitAtIndexLines) {
    auto recs = read_all(
        "1\n2017.08.05 14:11:51,393,525,393,525\n[latitude : -20.2533] [longtitude : 149.0251] [iso : 100]\n\n"
        "2\n2017.08.05 14:11:52,393,525\n[latitude : -20.2534] [longtitude : 149.0251] [iso : 100]\n");
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_TRUE(std::isnan(recs[0].point.cue_s));
    EXPECT_EQ(*recs[0].wall_ms, local_ms(2017, 8, 5, 14, 11, 51, 393));
    EXPECT_NEAR(recs[1].point.lat_deg, -20.2534, 1e-12);
}

TEST(SrtReader, TruncatedLastBlockAndEmptyInputs) {
    auto recs = read_all(
        "1\n00:00:01,000 --> 00:00:02,000\nHOME(-58.4563,-34.7386) 2017.07.03 10:15:20\n"
        "GPS(-58.4563,-34.7383,19) BAROMETER:7.8\n\n2\n00:00:02,000 --> 00:00:03,000\n"
        "HOME(-58.4563,-34.7386) 2017.07.03 10:15:21");
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_TRUE(recs[0].has_fix);
    EXPECT_FALSE(recs[1].has_fix);
    EXPECT_FALSE(recs[1].position_seen);
    EXPECT_TRUE(read_all("").empty());
    EXPECT_TRUE(read_all("1\n").empty());
}

TEST(SrtReader, MixedLayoutsInOneFileKeepTheirOwnCoordinateOrder) {
    auto recs = read_all(
        "\xEF\xBB\xBF" "1\n00:15:04,904 --> 00:15:05,905\nF/5.6, SS 400, ISO 100, EV +0.7, GPS (-59.409424, -34.650200, 16), "
        "HOME (-59.407880, -34.650736, 7.60m), D 153.32m, H 17.39m, H.S 1.84m/s, V.S 0.00m/s\n\n"
        "2\n00:15:05,905 --> 00:15:05,945\n<font size=\"36\">FrameCnt : 218, DiffTime : 40ms\n2019-09-27 10:28:08,438,904\n"
        "[iso : 110] [latitude : -35.080155] [longtitude : -60.286702] </font>\n\n"
        "3\n00:15:06,000 --> 00:15:07,000\n2022.06.21 16:06:17\nGPS(36.6146,-6.1120,0.0M) BAROMETER:0.3M\n");
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_NEAR(recs[0].point.lat_deg, -34.650200, 1e-12);
    EXPECT_NEAR(recs[0].point.cue_s, 904.904, 1e-9);
    EXPECT_NEAR(recs[0].point.altitude(AltitudeKind::home), 7.60, 1e-12);
    EXPECT_NEAR(recs[1].point.lon_deg, -60.286702, 1e-12);
    EXPECT_EQ(*recs[1].counter, 218);
    EXPECT_NEAR(recs[2].point.lat_deg, 36.6146, 1e-12);
    EXPECT_NEAR(recs[2].point.lon_deg, -6.1120, 1e-12);
}

TEST(SrtReader, CueMillisecondsAboveNineHundredNinetyNine) {
    auto recs = read_all("1\n00:00:10,1824 --> 00:00:11,000\nGPS(36.6146,-6.1120,0.0M) BAROMETER:0.3M\n");
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_NEAR(recs[0].point.cue_s, 11.824, 1e-9);
}

}  // namespace
}  // namespace trakvia::engine
