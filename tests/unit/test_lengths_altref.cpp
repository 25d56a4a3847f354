// Trace lengths and distances, the altitude reference, and the start-up as a whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "support.h"
#include "track/altref.h"
#include "track/config.h"
#include "track/lengths.h"
#include "track/model.h"
#include "track/startup.h"

namespace {

TEST(TraceLengths, LengthInSection)
{
    const float cases[][4] = {{1000, 50, 5, 900}, {1000, 50, -5, 1100}, {1000, -50, -5, 900}, {1000, 50, 50, 1000},
                              {1000, 50, 60, 1000}, {1000, 3, 1, 666}, {1000, 0, 7, 1000}, {1000, 50, -50, 2000}}; // length, radius, offset
    for (const auto& [length, radius, offset, expected] : cases)
        EXPECT_EQ(trace_length_in_section((int32_t)length, radius, offset), expected) << radius << " " << offset;
}

TEST(TraceLengths, RunningStartsAndWrapAroundSlot)
{
    fresh_model(3, 2);
    for (int s = 0; s < 3; s++) {
        section_length[s] = 90 + 5 * s;
        for (int t = 0; t < MAX_TRACES; t++)
            trace_point[s][t].height = 100 * s + t;
    }
    section_radius[1] = 50.0f; // trace 1, 1 m to the side, is 93 long there
    trace_start[3][0] = trace_start[3][1] = 7; // left over in the wrap-around slot
    compute_trace_lengths();
    for (int t = 0; t < 2; t++) // starts of sections 1 to 3, then the wrap-around slot's lengths and height
        EXPECT_EQ(std::vector<int>({trace_start[1][t], trace_start[2][t], trace_start[3][t], section_length[3], trace_length[3][t],
                                    trace_point[3][t].height}), std::vector<int>({90, t ? 183 : 185, 0, 90, 90, t})) << t;
    EXPECT_FLOAT_EQ(trace_start_m[2][1], 183 / 19685.0f);
    EXPECT_EQ(trace_length[0][2] + trace_point[3][2].height, 0); // trace slots beyond the count are not touched
}

TEST(TraceLengths, CentreLineAndInitialSelection)
{
    const int cases[][3] = {{-1, 5, 2}, {-1, 4, 1}, {3, 7, 3}, {7, 7, 6}, {40, 16, 15}};
    for (const auto& [configured, traces, expected] : cases) {
        fresh_model(2, traces);
        section_length[0] = section_length[1] = 100;
        centre_trace = configured;
        selected_section = 1;
        compute_trace_lengths();
        EXPECT_EQ(std::vector<int>({centre_line_trace, selected_trace, selected_section}), std::vector<int>({expected, expected, 0}))
            << configured << " of " << traces;
    }
}

// The points read from `text` as the altitude reference file after the configuration line `setting`,
// and what it printed after naming the file.
std::pair<std::vector<float>, std::string> altref(const std::string& text, std::string setting = "")
{
    fresh_model(1, 1);
    apply_configuration_line(&setting[0]);
    const std::string output = read_text(read_altitude_reference, altref_file_name, text), reading =
        "Reading altitude reference data from >t.txt<\n";
    EXPECT_EQ(output.substr(0, reading.size()), reading);
    std::vector<float> points;
    for (int i = 0; i < altref_count; i++)
        points.insert(points.end(), {altref_distance[i], altref_height[i]});
    return {points, output.substr(reading.size())};
}

TEST(AltitudeReference, PairsOffsetAndLimits)
{
    using Points = std::vector<float>;
    using Read = std::pair<Points, std::string>;
    EXPECT_EQ(altref("0 17.5\r\n25\t17.25\v50\f-3"), Read(Points{0, 17.5f, 25, 17.25f, 50, -3}, ""));
    EXPECT_EQ(altref("0 17.5 25 17.25 50 -3 75\n"), Read(Points{0, 17.5f, 25, 17.25f, 50, -3}, ""));
    EXPECT_EQ(altref("10 1.25\n20 -1\n", "ALTREFOFFSET 2.5\n"), Read(Points{10, 3.75f, 20, 1.5f}, ""));
    // Words far beyond any number's length are cut, not overrun.
    EXPECT_EQ(altref("1234.5678" + std::string(1000, '0') + " " + std::string(1000, 'x') + " 3 4"), Read(Points{1234.5678f, 0, 3, 4}, ""));
    std::string many;
    for (int i = 0; i < MAX_ALTREF_POINTS + 1; i++)
        many += std::to_string(i) + " 1\n";
    const auto [points, warning] = altref(many);
    EXPECT_EQ(points.size(), 2u * MAX_ALTREF_POINTS);
    EXPECT_EQ(points.end()[-2], MAX_ALTREF_POINTS - 1.0f);
    EXPECT_EQ(warning.rfind("Warning: >t.txt<", 0), 0u);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, " 1 were ignored", warning);
}

TEST(StartUp, DemoTrackLoadsInOrder)
{
    const std::string altref = "Reading altitude reference data from >altref.txt<\n";
    const std::pair<std::string, std::string> cases[] = { // a configuration line added, the output expected
        {"", "Reading trace-position and radius data from >track.trk<\n" + altref},
        {"TRKFILE none.trk\n", "Did not find >none.trk<\nReading trace positions from >tracepos.txt<\n"
                               "Reading radius data from >radius.txt<\n" + altref},
    };
    for (const auto& [line, lines] : cases) {
        ScratchDir dir;
        std::filesystem::copy(VEMORA_SOURCE_DIR "/examples/demo", dir.path);
        write_file(dir.file("vemora.cfg"), read_file(dir.file("vemora.cfg")) + line);
        fresh_model(0, 0);
        EXPECT_EQ(printed_in(dir.path, [] { return load_track(), 0; }),
                  "Vemora v. 0.99\nReading config file\nReading trace data from >trace.txt<\n" + lines);
        EXPECT_EQ(std::make_tuple(num_sections, num_traces, centre_line_trace, altref_count), std::make_tuple(150, 7, 3, 171));
    }
}

} // namespace
