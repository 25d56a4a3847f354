// Loading a track: the configuration file, the altitude reference, the trace lengths and
// distances derived, and the start-up as a whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "support.h"
#include "track/altref.h"
#include "track/config.h"
#include "track/lengths.h"
#include "track/model.h"
#include "track/startup.h"

using Settings = std::tuple<std::string, std::string, std::string, int, int, int>;

TEST(Configuration, Lines)
{
    const std::string whole(230, 'a'), cut(231, 'o');
    const std::pair<std::string, Settings> cases[] = { // input, output and track file, screen size, centre line
        // A tab is no separator, keywords are upper case and a keyword needs its value.
        {"INFILE\tx\ninfile x\nOUTFILE=x\nGRAPHRES 800\n\n  \nTRKFILE", {"", "", "", 640, 480, 0}},
        // A keyword without its value changes nothing, words after the value are ignored and the
        // last line needs no line break.
        {"INFILE a\nGRAPHRES 800 600 1024\nCENTRELINE -1\nINFILE\nCENTRELINE \nGRAPHRES 320\nOUTFILE b c", {"a", "b", "", 800, 600, -1}},
        {"INFILE a\r\nGRAPHRES 1024 768\r\nOUTFILE b\r", {"a", "b", "", 1024, 768, 0}},
        // 239 characters with the line break are one line; longer lines are read in pieces of 239.
        {"TRKFILE " + whole + "\nOUTFILE " + cut + "INFILE x\n" + std::string(239, 'z') + "GRAPHRES 320 200\n", {"x", cut, whole, 320, 200, 0}}};
    for (const auto& [text, expected] : cases) {
        fresh_model(1, 1);
        EXPECT_EQ(read_text(read_configuration, nullptr, text, "vemora.cfg"), "Reading config file\n");
        EXPECT_EQ(Settings(in_file_name, out_file_name, trk_file_name, screen_width, screen_height, centre_trace), expected) << text;
    }
}

// Pairs of words in any white space, offset by ALTREFOFFSET; an odd word left over is
// dropped, words far beyond any number's length are cut, and points beyond the capacity are
// counted in a warning.
TEST(AltitudeReference, PairsOffsetAndLimits)
{
    std::string many;
    for (int i = 0; i <= MAX_ALTREF_POINTS; i++)
        many += std::to_string(i) + " 1\n";
    const std::tuple<std::string, std::string, std::vector<float>, std::string> cases[] = {
        {"", "0 17.5\r\n25\t17.25\v50\f-3 75\n", {0, 17.5f, 25, 17.25f, 50, -3}, ""},
        {"ALTREFOFFSET 2.5", "10 1.25\n20 -1\n", {10, 3.75f, 20, 1.5f}, ""},
        {"", "1234.5678" + std::string(1000, '0') + " " + std::string(1000, 'x') + " 3 4", {1234.5678f, 0, 3, 4}, ""},
        {"", many, {}, "Warning: >t.txt< holds more than 4096 points; 1 were ignored\n"}};
    for (auto [setting, text, points, warning] : cases) {
        fresh_model(1, 1);
        apply_configuration_line(&setting[0]);
        EXPECT_EQ(read_text(read_altitude_reference, altref_file_name, text), "Reading altitude reference data from >t.txt<\n" + warning);
        EXPECT_EQ(altref_count, points.empty() ? MAX_ALTREF_POINTS : (int)points.size() / 2);
        for (size_t i = 0; i < points.size(); i++)
            EXPECT_EQ(i % 2 ? altref_height[i / 2] : altref_distance[i / 2], points[i]) << text;
    }
}

// The length of a trace in a curved section, the running starts, the wrap-around slot and the centre line.
TEST(TraceLengths, InSectionsStartsAndCentreLine)
{
    const float lengths[][4] = {{1000, 50, 5, 900}, {1000, 50, -5, 1100}, {1000, -50, -5, 900}, {1000, 50, 50, 1000},
                                {1000, 50, 60, 1000}, {1000, 3, 1, 666}, {1000, 0, 7, 1000}, {1000, 50, -50, 2000}};
    for (const auto& [length, radius, offset, expected] : lengths)
        EXPECT_EQ(trace_length_in_section((int32_t)length, radius, offset), expected) << radius << " " << offset;
    fresh_model(3, 2);
    for (int s = 0; s < 3; s++)
        for (int t = 0; t < MAX_TRACES; t++)
            section_length[s] = 90 + 5 * s, trace_point[s][t].height = 100 * s + t;
    section_radius[1] = 50.0f;                 // trace 1, 1 m to the side, is 93 long there
    trace_start[3][0] = trace_start[3][1] = 7; // left over in the wrap-around slot
    compute_trace_lengths();
    for (int t = 0; t < 2; t++) // starts of sections 1 to 3, then the wrap-around slot's lengths and height
        EXPECT_EQ(std::vector<int>({trace_start[1][t], trace_start[2][t], trace_start[3][t], section_length[3], trace_length[3][t],
                                    trace_point[3][t].height}), std::vector<int>({90, t ? 183 : 185, 0, 90, 90, t})) << t;
    EXPECT_FLOAT_EQ(trace_start_m[2][1], 183 / 19685.0f);
    EXPECT_EQ(trace_length[0][2] + trace_point[3][2].height, 0); // trace slots beyond the count are not touched
    const int centres[][3] = {{-1, 5, 2}, {-1, 4, 1}, {3, 7, 3}, {7, 7, 6}, {40, 16, 15}}; // configured, traces, centre
    for (const auto& [configured, traces, expected] : centres) {
        fresh_model(2, traces);
        section_length[0] = section_length[1] = 100, centre_trace = configured, selected_section = 1;
        compute_trace_lengths();
        EXPECT_EQ(std::make_tuple(centre_line_trace, selected_trace, selected_section), std::make_tuple(expected, expected, 0)) << traces;
    }
}

// The demo without its track file: the text files stand in for it (with it, the golden frames load it).
// Without a configuration file the program ends.
TEST(StartUp, DemoTrackLoadsInOrder)
{
    ScratchDir dir, empty;
    std::filesystem::copy(VEMORA_SOURCE_DIR "/examples/demo", dir.path);
    write_file(dir.file("vemora.cfg"), read_file(dir.file("vemora.cfg")) + "TRKFILE none.trk\n");
    fresh_model(0, 0);
    EXPECT_EQ(printed_in(dir.path, [] { return load_track(), 0; }), "Vemora v. 0.99\nReading config file\nReading trace data from "
              ">trace.txt<\nDid not find >none.trk<\nReading trace positions from >tracepos.txt<\nReading radius data from "
              ">radius.txt<\nReading altitude reference data from >altref.txt<\n");
    EXPECT_EQ(std::make_tuple(num_sections, num_traces, centre_line_trace, altref_count), std::make_tuple(150, 7, 3, 171));
    std::string output;
    EXPECT_EQ(run_vemora(empty.path, &output), 1);
    EXPECT_EQ(output, "Vemora v. 0.99\nFatal error: Did not find >vemora.cfg<\n");
}
