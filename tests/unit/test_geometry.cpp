// Geometry: the plan from the track file and the text files, the closure check, the views' axes, and the
// repair of a join.
#include <gtest/gtest.h>

#include "commands/check.h"
#include "display/layout.h"
#include "display/view.h"
#include "support.h"
#include "track/geometry.h"

// 7 traces and 4 sections in the header, positions k - 3 m and 37 unread bytes before the section
// records: a left quarter turn of 100 m, a straight 100 m with a heading change, a right eighth turn
// of 50 m and a curve of 100 m without heading change.
TEST(TrackFile, RecordsFromTheEndCountsAndShortFiles)
{
    std::string data(92 + 37 + 4 * 52, '\xEE');
    auto put = [&](size_t at, uint32_t value) { for (int i = 0; i < 4; i++) data[at + i] = (char)(value >> 8 * i); };
    put(12, 7), put(16, 4);
    for (int k = 0; k < 16; k++) put(28 + 4 * k, 19685 * (k - 3));
    const int kinds[] = {2, 1, 0, 2}, metres[] = {100, 100, 50, 100}, turns[] = {1 << 29, 1 << 29, -(1 << 28), 0};
    for (size_t s = 0, at = 129; s < 4; s++, at += 52)
        data[at] = (char)kinds[s], put(at + 8, 19685 * metres[s]), put(at + 28, turns[s]);
    const std::string reading = "Reading trace-position and radius data from >t.trk<\n",
                      counts = "Warning: Number of traces in .txt and .trk does not match!\n"
                               "Warning: Number of sections in .txt and .trk does not match!\n";
    const float radii[] = {63.662f, 0, -63.662f, 0};
    for (int sections : {4, 3}) { // the model's sections are the file's last records
        fresh_model(sections, 7 + 4 - sections);
        EXPECT_EQ(read_text(read_trk_geometry, trk_file_name, data, "t.trk"), reading + (sections == 4 ? "" : counts));
        for (int k = 0; k < 16; k++) EXPECT_EQ(trace_offset[k], k - 3.0f);
        for (int s = 0; s < sections; s++) EXPECT_NEAR(section_radius[s], radii[4 - sections + s], 0.01) << s;
    }
    for (size_t size : {14, 92}) { // what a short file does not hold keeps its default: 92 bytes hold the head
        fresh_model(4, size < 92 ? 6 : 7); // and no count is compared that the file does not hold
        EXPECT_EQ(read_text(read_trk_geometry, trk_file_name, data.substr(0, size), "t.trk"),
                  reading + "Warning: >t.trk< is too short; values it does not hold keep their defaults\n");
        EXPECT_EQ(std::vector<float>({trace_offset[15], section_radius[0], section_radius[3]}),
                  std::vector<float>({size < 92 ? 15.0f : 12.0f, 0, 0})) << size;
    }
    fresh_model(4, 7), std::snprintf(trk_file_name, FILE_NAME_SIZE, "/dev/zero"); // endless: no regular file
    EXPECT_EQ(printed_in("/", read_trk_geometry), "Reading trace-position and radius data from >/dev/zero<\n"
              "Warning: >/dev/zero< is not a regular file; the geometry keeps its defaults\n");
}

// Turns of sections that add up to whole turns within 0.2 degrees pass; one exactly 0.2f degrees
// short does not, since the threshold is compared in double.
TEST(TrackFile, ClosureCheck)
{
    const double r = 100 / (6.2831853 / 4), hair = 0.1 * 3.14159265 / 180;
    const std::string caution = "Caution: Possible error in radius data\n";
    const std::tuple<int32_t, std::vector<double>, std::string> cases[] = { // section length, radii in m, printed
        {1968500, {-r, 0, -r}, caution + "Missing  180.00 degrees to close track\n"}, // half a turn right, a straight
        {1968500, {r, r, r, 100 / (100 / r - hair)}, ""},                            // a whole turn but 0.1 degrees
        {10000, {145.53157}, caution + "Missing    0.20 degrees to close track\n"}}; // 0.2f degrees: in double more
    for (const auto& [length, radii, output] : cases) {
        fresh_model((int)radii.size(), 1);
        for (size_t s = 0; s < radii.size(); s++) section_length[s] = length, section_radius[s] = (float)radii[s];
        testing::internal::CaptureStdout(), check_closure();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), output) << radii.size();
    }
}

// A file that ends early repeats the last word read, whichever value it was read for; one without
// words keeps the defaults (that a NUL byte ends a text file shows with the configuration). No warnings.
TEST(TrackFile, TextFiles)
{
    auto padded = [](std::vector<float> head, size_t size, float fill) { return head.resize(size, fill), head; };
    const std::tuple<int (*)(), std::string, std::vector<float>> cases[] = { // reader, file, values read
        {read_trace_positions, "-1 -2 -3 -4 -5", padded({-1, -2, -3, -4, -5}, 16, -5)},
        {read_trace_positions, "", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {read_section_radii, "40\t12.5\r\n41\v-30\f42 0\n43 99\n44 5", {12.5f, -30, 0, 99}}, // first words skipped
        {read_section_radii, "0 12.5 1 -30 2", {12.5f, -30, 2, 2}},
        {read_section_radii, "0 inf 1 nan", {0, 0, 0, 0}},                             // no finite number: straight
        {read_section_radii, "0 -1e300 1 1e300", {-FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX}}}; // huge ones stay finite
    for (const auto& [reader, text, expected] : cases) {
        fresh_model(4, 7);
        const bool positions = reader == read_trace_positions;
        const float* values = positions ? trace_offset : section_radius;
        EXPECT_EQ(read_text(reader, positions ? tracepos_file_name : radius_file_name, text),
                  positions ? "Reading trace positions from >t.txt<\n" : "Reading radius data from >t.txt<\n");
        EXPECT_EQ(std::vector<float>(values, values + expected.size()), expected) << text;
    }
}

// Zoom-to-fit-like limits: the first tick stands on `low`, the last a step below `high`, none on `high`
// itself, however many float steps lie between (the golden frames show the usual ranges). The height 0.1 of
// the range below the top of -21.7 .. -2 m is -3.97000008 m in double, as a float a hair above a label band's
// row boundary: row 35 (in float, 36).
TEST(Axes, TicksAndLabelRowsInDouble)
{
    float major, minor;
    choose_tick_steps(17.4f - 17.0f, &major, &minor);
    const Ticks m = axis_ticks(17.0f, 17.4f, major), n = axis_ticks(17.0f, 17.4f, minor);
    EXPECT_EQ(std::make_tuple(m.count, n.count, tick_value(m, 0), tick_value(n, 0), tick_value(m, m.count - 1)),
              std::make_tuple(8, 40, 17.0f, 17.0f, 17.35f)); // majors, minors, the first of each, the last major
    EXPECT_EQ(axis_ticks(0, 1e30f, 0.05f).count, 0); // too many to count
    EXPECT_EQ(axis_ticks(5000, 5001, 0.05f).count, 20); // however high the range lies
    compute_layout(640, 480), cross_alt_min = profile_alt_min = -21.7f, cross_alt_max = profile_alt_max = -2.0f;
    EXPECT_EQ(std::make_pair(cross_band_row(0.1), profile_band_row(0.1)), std::make_pair(35, 196)); // 0.9 of 288 rows
}

static std::vector<int32_t> fields(const TracePoint& p) { return {p.height, p.slope, p.quad, p.cubic}; }

// One trace of three sections, lengths 1000, 2000 and 4000, starting at 0, 650 and 2000 with gradients
// 0.25, 0.5 and 0.25; the slot copies section 0. New start P = mid, slope b, end D with gradient g over
// a length L: cubic = g L - 2 (D - P) + b, quad = 3 (D - P) - g L - 2 b.
// Join 0: mid = (250 + 650) / 2 = 450, g = (0.25 + 0.5) / 2 = 0.375
//   section 0: cubic = 375 - 900 + 250 = -275, quad = 1350 - 375 - 500 = 475
//   section 1 from 450, slope 750, to 2000 with 0.25: cubic = 500 - 3100 + 750 = -1850, quad = 4650 - 500 - 1500 = 2650
// Join 2, at the wrap-around: mid = (3000 + 0) / 2 = 1500, g = 0.25
//   section 2: cubic = 1000 + 1000 + 1000 = 3000, quad = -1500 - 1000 - 2000 = -4500
//   the slot, and so section 0, from 1500, slope 250, to section 1's 650 with 0.5:
//   cubic = 500 + 1700 + 250 = 2450, quad = -2550 - 500 - 500 = -3550
// The wrap-around slot mirrors section 0 on a closed track.
TEST(Repair, JoinOfTwoGradientsMeetsAtTheirMeanAlsoAtTheWrapAround)
{
    const TracePoint before[] = {{0, 250, 0, 0}, {650, 1000, 0, 0}, {2000, 1000, 0, 0}, {0, 250, 0, 0}};
    const TracePoint new_0 = {0, 250, 475, -275}, new_2 = {1500, 250, -3550, 2450};
    const std::pair<int, std::vector<TracePoint>> cases[] = {
        {0, {new_0, {450, 750, 2650, -1850}, before[2], new_0}},
        {2, {new_2, before[1], {2000, 1000, -4500, 3000}, new_2}}};
    for (const auto& [join, after] : cases) {
        fresh_model(3, 1);
        for (int s = 0; s < 4; s++) trace_length[s][0] = 1000 << s % 3, trace_point[s][0] = before[s];
        repair_join(join, 0);
        for (int s = 0; s < 4; s++)
            EXPECT_EQ(fields(trace_point[s][0]), fields(after[s])) << "join " << join << ", section " << s;
    }
}
