// Plan geometry: track file records and layout, the closure check and the text files.
#include <gtest/gtest.h>

#include <cfloat>
#include <numeric>
#include <tuple>
#include <vector>

#include "support.h"
#include "track/geometry.h"
#include "track/model.h"

namespace {

TEST(TrackFile, RecordsFromTheEndCountsAndShortFiles)
{
    // 7 traces and 4 sections in the header, positions k - 3 m and 37 unread bytes before the section
    // records: a left quarter turn of 100 m, a straight 100 m with a heading change, a right eighth turn
    // of 50 m and a curve of 100 m without heading change.
    std::string data(92 + 37 + 4 * 52, '\xEE');
    auto put = [&](size_t at, int32_t value) {
        for (int i = 0; i < 4; i++)
            data[at + i] = (char)((uint32_t)value >> (8 * i));
    };
    put(12, 7);
    put(16, 4);
    for (int k = 0; k < 16; k++)
        put(28 + 4 * k, 19685 * (k - 3));
    const int kinds[] = {2, 1, 0, 2}, metres[] = {100, 100, 50, 100}, turns[] = {1 << 29, 1 << 29, -(1 << 28), 0};
    for (size_t s = 0, at = 129; s < 4; s++, at += 52) {
        data[at] = (char)kinds[s];
        put(at + 8, 19685 * metres[s]);
        put(at + 28, turns[s]);
    }
    const std::string reading = "Reading trace-position and radius data from >t.trk<\n";
    const float radii[] = {63.662f, 0, -63.662f, 0};
    std::vector<float> offsets(16);
    std::iota(offsets.begin(), offsets.end(), -3.0f);
    for (int sections : {4, 3}) { // the model's sections are the file's last records
        fresh_model(sections, 7 + 4 - sections);
        EXPECT_EQ(read_text(read_trk_geometry, trk_file_name, data, "t.trk"), reading + (sections == 4 ? "" :
                  "Warning: Number of traces in .txt and .trk does not match!\n"
                  "Warning: Number of sections in .txt and .trk does not match!\n"));
        EXPECT_EQ(std::vector<float>(trace_offset, trace_offset + 16), offsets);
        for (int s = 0; s < sections; s++)
            EXPECT_NEAR(section_radius[s], radii[4 - sections + s], 0.01) << sections << ": " << s;
    }
    for (size_t size : {0, 3, 14, 20, 60, 100}) { // what a short file does not hold keeps its default
        fresh_model(4, 7);
        EXPECT_EQ(read_text(read_trk_geometry, trk_file_name, data.substr(0, size), "t.trk"),
                  reading + "Warning: >t.trk< is too short; values it does not hold keep their defaults\n");
        EXPECT_EQ(std::make_pair(trace_offset[15], section_radius[0]), std::make_pair(size < 92 ? 15.0f : 12.0f, 0.0f)) << size;
    }
}

TEST(TrackFile, ClosureCheck)
{
    const double q = 6.2831853 / 4, hair = 0.1 * 3.14159265 / 180;
    const std::string caution = "Caution: Possible error in radius data\nMissing ";
    const std::pair<std::vector<double>, std::string> cases[] = {
        {{q, 0, q, q, 0, q}, ""}, {std::vector<double>(8, -q), ""}, {{q, q, q, q - hair}, ""},
        {{q, q, q, q - 5 * hair}, caution + "   0.50 degrees to close track\n"},
        {{q, 0, q}, caution + " 180.00 degrees to close track\n"}};
    for (const auto& [angles, output] : cases) { // of sections of 100 m, 0 for a straight one
        fresh_model((int)angles.size(), 1);
        for (size_t s = 0; s < angles.size(); s++) {
            section_length[s] = 19685 * 100;
            section_radius[s] = angles[s] ? (float)(100 / angles[s]) : 0.0f;
        }
        testing::internal::CaptureStdout();
        check_closure();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), output) << angles.size();
    }
}

std::vector<float> padded(std::vector<float> head, size_t size, float fill)
{
    head.resize(size, fill);
    return head;
}

// A file that ends early repeats the last word read, whichever value it was read for; one without
// words (also one that starts with a NUL byte, as /dev/zero does) keeps the defaults. No warnings.
TEST(TrackFile, TextFiles)
{
    std::vector<float> defaults(16);
    std::iota(defaults.begin(), defaults.end(), 0.0f);
    const std::tuple<int (*)(), std::string, std::vector<float>> cases[] = {
        {read_trace_positions, "-1 -2 -3 -4 -5", padded({-1, -2, -3, -4, -5}, 16, -5)},
        {read_trace_positions, "x 9 9 9 9 9 9 9 9 9 9 9 9 9 9 -4.5 17 18", padded(padded({0}, 15, 9), 16, -4.5f)},
        {read_trace_positions, std::string("7 8\0 9", 6), padded({7, 8}, 16, 8)},
        {read_trace_positions, "", defaults},
        {read_section_radii, "0 50", {50, 50, 50, 50}},
        {read_section_radii, "40\t12.5\r\n41\v-30\f42 0\n43 99\n44 5", {12.5f, -30, 0, 99}}, // first words skipped
        {read_section_radii, "0 12.5 1 -30 2", {12.5f, -30, 2, 2}},
        // Radii that are no finite number make a section straight; huge ones stay finite.
        {read_section_radii, "0 inf 1 nan 2 -1e300 3 1e300", {0, 0, -FLT_MAX, FLT_MAX}},
    };
    for (const auto& [reader, text, expected] : cases) {
        fresh_model(4, 7);
        const bool positions = reader == read_trace_positions;
        const float* values = positions ? trace_offset : section_radius;
        const std::string output = read_text(reader, positions ? tracepos_file_name : radius_file_name, text);
        EXPECT_EQ(std::vector<float>(values, values + expected.size()), expected) << text;
        EXPECT_EQ(output, positions ? "Reading trace positions from >t.txt<\n" : "Reading radius data from >t.txt<\n");
    }
}

} // namespace
