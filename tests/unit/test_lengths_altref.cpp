// Trace lengths and distances, the altitude reference, and the start-up as a whole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "interaction/flags.h"
#include "support.h"
#include "track/altref.h"
#include "track/config.h"
#include "track/lengths.h"
#include "track/model.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

TEST(TraceLengths, LengthInSection)
{
    const struct {
        int32_t length;
        float radius, offset;
        int32_t expected;
    } cases[] = {{1000, 50, 5, 900},    {1000, 50, -5, 1100}, {1000, 50, 0, 1000}, {1000, 50, 50, 1000},
                 {1000, 50, 60, 1000},  {1000, -50, -5, 900}, {1000, 3, 1, 666},   {0, 50, 5, 0},
                 {1000, 0, 7, 1000},    {1000, INFINITY, 5, 1000}};
    for (const auto& c : cases)
        EXPECT_EQ(trace_length_in_section(c.length, c.radius, c.offset), c.expected)
            << c.length << " " << c.radius << " " << c.offset;
}

TEST(TraceLengths, RunningStartsAndWrapAroundSlot)
{
    fresh_model(3, 2);
    for (int s = 0; s < 3; s++) {
        section_length[s] = 90 + 5 * s;
        for (int t = 0; t < MAX_TRACES; t++)
            trace_point[s][t] = {100 * s + t, 1, 2, 3};
    }
    section_radius[1] = 50.0f; // trace 1, 1 m to the side, is 93 long there
    compute_trace_lengths();
    const int32_t starts[2][4] = {{0, 90, 185, 0}, {0, 90, 183, 0}};
    for (int t = 0; t < 2; t++) {
        for (int s = 0; s < 4; s++)
            EXPECT_EQ(trace_start[s][t], starts[t][s]) << s << "," << t;
        EXPECT_FLOAT_EQ(trace_start_m[2][t], starts[t][2] / 19685.0f);
        EXPECT_EQ(std::memcmp(&trace_point[3][t], &trace_point[0][t], sizeof(TracePoint)), 0);
        EXPECT_EQ(trace_length[3][t], 90);
    }
    EXPECT_EQ(section_length[3], 90);
    EXPECT_EQ(trace_length[0][2], 0); // trace slots beyond the count are not touched
    EXPECT_EQ(trace_point[3][2].height, 0);
    EXPECT_EQ(steps_per_section, 16);

    fresh_model(1, 1);
    section_length[0] = 777;
    trace_point[0][0] = {5, 6, 7, 8};
    compute_trace_lengths();
    EXPECT_EQ(std::vector<int>({trace_length[1][0], trace_start[1][0], trace_point[1][0].cubic}),
              std::vector<int>({777, 0, 8}));
}

TEST(TraceLengths, CentreLineAndInitialSelection)
{
    const int cases[][3] = {{-1, 5, 2}, {-1, 4, 1}, {-1, 1, 0}, {3, 7, 3}, {0, 7, 0}, {7, 7, 6}, {40, 16, 15}};
    for (const auto& [configured, traces, expected] : cases) {
        fresh_model(2, traces);
        section_length[0] = section_length[1] = 100;
        centre_trace = configured;
        selected_section = 1;
        compute_trace_lengths();
        EXPECT_EQ(centre_line_trace, expected) << configured << " of " << traces;
        EXPECT_EQ(selected_trace, expected);
        EXPECT_EQ(selected_section, 0);
    }
}

// Reads `text` as the altitude reference file after the configuration line `setting`.
std::string read_altref(const ScratchDir& dir, const std::string& text, std::string setting = "")
{
    fresh_model(1, 1);
    apply_configuration_line(&setting[0]);
    std::snprintf(altref_file_name, FILE_NAME_SIZE, "%s", dir.file("altref.txt").c_str());
    write_file(dir.file("altref.txt"), text);
    CaptureStdout();
    EXPECT_EQ(read_altitude_reference(), 0);
    EXPECT_EQ(altref_loaded, 1);
    return GetCapturedStdout();
}

TEST(AltitudeReference, PairsOffsetAndLimits)
{
    ScratchDir dir;
    const std::string reading = "Reading altitude reference data from >" + dir.file("altref.txt") + "<\n";
    for (const char* text : {"0 17.5\n25 17.25\n50 -3\n", "0 17.5\n25 17.25\n50 -3", "0 17.5 25 17.25 50 -3 75"}) {
        read_altref(dir, text);
        EXPECT_EQ(altref_count, 3) << text;
        EXPECT_EQ(altref_distance[2], 50.0f);
        EXPECT_EQ(altref_height[1], 17.25f);
    }
    read_altref(dir, "0 1\n10 2\n20\n");
    EXPECT_EQ(altref_count, 2);
    read_altref(dir, "10 1.25\n20 -1\n", "ALTREFOFFSET 2.5\n");
    EXPECT_EQ(std::vector<float>({altref_distance[0], altref_height[0], altref_height[1]}),
              std::vector<float>({10, 3.75f, 1.5f}));
    EXPECT_EQ(read_altref(dir, ""), reading);
    EXPECT_EQ(altref_count, 0);

    // Words far beyond any number's length are cut, not overrun.
    read_altref(dir, "1.5" + std::string(1000, '0') + " " + std::string(1000, 'x') + " 3 4");
    EXPECT_EQ(altref_count, 2);
    EXPECT_EQ(altref_distance[0], 1.5f);
    EXPECT_EQ(altref_height[0], 0.0f);

    std::string many;
    for (int i = 0; i < MAX_ALTREF_POINTS + 3; i++)
        many += std::to_string(i) + " 1\n";
    const std::string output = read_altref(dir, many);
    EXPECT_EQ(altref_count, MAX_ALTREF_POINTS);
    EXPECT_EQ(altref_distance[MAX_ALTREF_POINTS - 1], MAX_ALTREF_POINTS - 1.0f);
    EXPECT_EQ(output.rfind(reading + "Warning: >", 0), 0u) << output;
    EXPECT_PRED_FORMAT2(testing::IsSubstring, " 3 were ignored", output);

    std::snprintf(altref_file_name, FILE_NAME_SIZE, "%s", dir.file("missing.txt").c_str());
    altref_loaded = 0;
    CaptureStdout();
    EXPECT_EQ(read_altitude_reference(), 1);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(altref_loaded, 0);
}

TEST(StartUp, DemoTrackLoadsInOrderUntilGraphics)
{
    const std::string altref = "Reading altitude reference data from >altref.txt<";
    const std::vector<std::string> text_files = {"Reading trace positions from >tracepos.txt<",
                                                 "Reading radius data from >radius.txt<", altref};
    const struct {
        const char* drop;
        std::vector<std::string> geometry;
    } cases[] = {
        {"", {"Reading trace-position and radius data from >track.trk<", altref}},
        {"track.trk", {"Did not find >track.trk<"}}, // the file is missing
        {"TRKFILE", {"Did not find ><"}},            // the keyword is missing
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        for (const auto& entry : std::filesystem::directory_iterator(VEMORA_SOURCE_DIR "/examples/demo"))
            if (entry.path().filename() != c.drop)
                std::filesystem::copy(entry.path(), dir.path);
        std::string config, line, output;
        std::istringstream in(read_file(dir.file("vemora.cfg")));
        while (std::getline(in, line))
            config += line.rfind(c.drop, 0) == 0 && *c.drop ? "" : line + "\n";
        write_file(dir.file("vemora.cfg"), config);
        EXPECT_EQ(run_vemora(dir.path, &output), 1); // no display: graphics cannot start

        std::vector<std::string> expected = {"Vemora v. 0.99", "Reading config file",
                                             "Reading trace data from >trace.txt<"};
        expected.insert(expected.end(), c.geometry.begin(), c.geometry.end());
        if (c.geometry.size() == 1)
            expected.insert(expected.end(), text_files.begin(), text_files.end());
        std::istringstream lines(output);
        for (const std::string& want : expected) {
            std::getline(lines, line);
            EXPECT_EQ(line, want) << c.drop;
        }
        std::getline(lines, line);
        EXPECT_EQ(line.rfind("Fatal error:", 0), 0u) << output;
        EXPECT_FALSE(std::getline(lines, line)) << output;
    }
}

} // namespace
