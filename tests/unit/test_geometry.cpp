// Plan geometry: track file records and layout, the closure check and the text files.
#include <gtest/gtest.h>

#include <vector>

#include "interaction/flags.h"
#include "support.h"
#include "track/config.h"
#include "track/geometry.h"
#include "track/model.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

constexpr int QUARTER_TURN = 1 << 29;

void put_int32(std::vector<unsigned char>& data, size_t at, int32_t value)
{
    for (int i = 0; i < 4; i++)
        data[at + i] = (unsigned char)((uint32_t)value >> (8 * i));
}

// A track file with positions k - 3 m and `gap` unread bytes before a section table of
// 100 m sections: a left quarter turn, a straight, a right quarter turn, a straight, ...
std::vector<unsigned char> trk_file(int traces, int sections, size_t gap)
{
    std::vector<unsigned char> data(92 + gap + 52 * (size_t)sections, 0xEE);
    put_int32(data, 12, traces);
    put_int32(data, 16, sections);
    for (int k = 0; k < 16; k++)
        put_int32(data, 28 + 4 * k, 19685 * (k - 3));
    for (int s = 0; s < sections; s++) {
        size_t record = 92 + gap + 52 * (size_t)s;
        data[record] = s % 2 ? 1 : 2;
        put_int32(data, record + 8, 19685 * 100);
        put_int32(data, record + 28, s % 4 == 0 ? QUARTER_TURN : s % 4 == 2 ? -QUARTER_TURN : 0);
    }
    return data;
}

TEST(TrackFile, RadiusFromRecord)
{
    EXPECT_EQ(radius_from_record(1, 19685 * 100, QUARTER_TURN), 0.0f);
    EXPECT_NEAR(radius_from_record(0, 19685 * 100, QUARTER_TURN), 63.662, 0.01);
    EXPECT_NEAR(radius_from_record(7, 19685 * 100, -QUARTER_TURN), -63.662, 0.01);
    EXPECT_NEAR(radius_from_record(2, 19685 * 50, QUARTER_TURN / 2), 63.662, 0.01);
    EXPECT_EQ(radius_from_record(2, 19685 * 100, 0), 0.0f);
}

TEST(TrackFile, LayoutCountsAndShortFiles)
{
    fresh_model(4, 7);
    std::vector<unsigned char> data = trk_file(7, 4, 37);
    CaptureStdout();
    EXPECT_TRUE(parse_trk_geometry(data.data(), data.size()));
    EXPECT_EQ(GetCapturedStdout(), "");
    for (int k = 0; k < 16; k++)
        EXPECT_EQ(trace_offset[k], k - 3.0f) << k;
    const float radii[] = {63.662f, 0.0f, -63.662f, 0.0f};
    for (int s = 0; s < 4; s++)
        EXPECT_NEAR(section_radius[s], radii[s], 0.01) << s;

    // Differing counts are reported; the table is still the last num_sections records.
    fresh_model(3, 7);
    data = trk_file(5, 4, 0);
    CaptureStdout();
    EXPECT_TRUE(parse_trk_geometry(data.data(), data.size()));
    EXPECT_EQ(GetCapturedStdout(), "Warning: Number of traces in .txt and .trk does not match!\n"
                                   "Warning: Number of sections in .txt and .trk does not match!\n");
    EXPECT_NEAR(section_radius[1], -63.662, 0.01);

    for (size_t size : {0, 3, 14, 20, 60, 100}) {
        fresh_model(3, 7);
        std::vector<unsigned char> part(data.begin(), data.begin() + size);
        CaptureStdout();
        EXPECT_FALSE(parse_trk_geometry(part.data(), part.size())) << size;
        GetCapturedStdout();
        for (int k = size < 28 ? 0 : (int)(size - 28) / 4; k < 16; k++)
            EXPECT_EQ(trace_offset[k], (float)k) << size;
        EXPECT_EQ(section_radius[0], 0.0f);
    }
}

// Closure output for sections of 100 m turning by the given angles (radians; 0 = straight).
std::string closure_output(const std::vector<double>& angles)
{
    fresh_model((int)angles.size(), 1);
    for (size_t s = 0; s < angles.size(); s++) {
        section_length[s] = 19685 * 100;
        section_radius[s] = angles[s] ? (float)(100 / angles[s]) : 0.0f;
    }
    CaptureStdout();
    check_closure();
    return GetCapturedStdout();
}

TEST(TrackFile, ClosureCheck)
{
    const double q = 6.2831853 / 4, hair = 0.1 * 3.14159265 / 180;
    EXPECT_EQ(closure_output({q, 0, q, q, 0, q}), "");
    EXPECT_EQ(closure_output(std::vector<double>(8, -q)), "");
    EXPECT_EQ(closure_output({q, q, q, q - hair}), "");
    EXPECT_EQ(closure_output({0, 0, 0}), "");
    EXPECT_EQ(closure_output({}), "");
    EXPECT_EQ(closure_output({q, 0, q}), "Caution: Possible error in radius data\n"
                                         "Missing  180.00 degrees to close track\n");
}

// Writes `text` to `path`, names it in `setting` and runs `reader`; returns its output.
std::string read_text(const std::string& path, char* setting, int (*reader)(), const std::string& text)
{
    std::snprintf(setting, FILE_NAME_SIZE, "%s", path.c_str());
    write_file(path, text);
    CaptureStdout();
    EXPECT_EQ(reader(), 0);
    return GetCapturedStdout();
}

TEST(TrackFile, TextFiles)
{
    ScratchDir dir;
    const std::string pos = dir.file("pos.txt"), radius = dir.file("radius.txt");
    std::string words;
    for (int k = 0; k < 18; k++)
        words += std::to_string(k) + ".5\n";
    fresh_model(3, 7);
    EXPECT_EQ(read_text(pos, tracepos_file_name, read_trace_positions, words),
              "Reading trace positions from >" + pos + "<\n");
    EXPECT_EQ(trace_offset[15], 15.5f);
    fresh_model(3, 7);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "Warning: >" + pos + "<",
                        read_text(pos, tracepos_file_name, read_trace_positions, "-2.5 x 2.5"));
    EXPECT_EQ(std::vector<float>(trace_offset, trace_offset + 4), (std::vector<float>{-2.5f, 0, 2.5f, 3}));

    // The first word of each pair is skipped.
    read_text(radius, radius_file_name, read_section_radii, "40 12.5\n41 -30\n42 0\n43 99\n");
    EXPECT_EQ(std::vector<float>(section_radius, section_radius + 4), (std::vector<float>{12.5f, -30, 0, 0}));
    fresh_model(4, 7);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "Warning: >" + radius + "<",
                        read_text(radius, radius_file_name, read_section_radii, "0 12.5 1 -30 2"));
    EXPECT_EQ(std::vector<float>(section_radius, section_radius + 3), (std::vector<float>{12.5f, -30, 0}));
}

} // namespace
