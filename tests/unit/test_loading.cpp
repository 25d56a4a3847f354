// Loading a track and saving its trace data: the configuration file, the altitude reference, the trace
// lengths and distances derived, the start-up as a whole, the trace data file read and written exactly,
// files that are refused, and saves that fail or meet odd targets without harming the data on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sys/stat.h>

#include "display/layout.h"
#include "interaction/flags.h"
#include "support.h"
#include "track/altref.h"
#include "track/config.h"
#include "track/lengths.h"
#include "track/model.h"
#include "track/startup.h"
#include "track/trace_data.h"

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
        {"TRKFILE " + whole + "\nOUTFILE " + cut + "INFILE x\n" + std::string(239, 'z') + "GRAPHRES 320 200\n", {"x", cut, whole, 320, 200, 0}},
        {std::string("INFILE a\n\0INFILE b\n", 19), {"a", "", "", 640, 480, 0}}}; // a NUL byte ends the text, as /dev/zero's first
    for (const auto& [text, expected] : cases) {
        fresh_model(1, 1);
        EXPECT_EQ(read_text(read_configuration, nullptr, text, "vemora.cfg"), "Reading config file\n");
        EXPECT_EQ(Settings(in_file_name, out_file_name, trk_file_name, screen_width, screen_height, centre_trace), expected) << text;
    }
}

// GRAPHRES sizes a window can have: 1 to 32767 pixels a side, 4 bytes a pixel within 31 bits.
TEST(Configuration, WindowSizes)
{
    const int cases[][3] = {{640, 480, 1}, {1, 1, 1}, {32767, 1, 1}, {1, 32767, 1}, {23170, 23170, 1},
                            {32767, 16384, 1}, {0, 480, 0}, {640, 0, 0}, {-5, 480, 0}, {640, -480, 0},
                            {32768, 1, 0}, {1, 32768, 0}, {23171, 23171, 0}, {32767, 16385, 0}, {40000, 40000, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(window_size_possible(c[0], c[1]), c[2] == 1) << c[0] << " x " << c[1];
}

// Pairs of words in any white space, offset by ALTREFOFFSET; an odd word left over is
// dropped, words far beyond any number's length are cut, and points beyond the capacity are
// counted in a warning.
TEST(AltitudeReference, PairsOffsetAndLimits)
{
    std::string many;
    for (int i = 0; i <= MAX_ALTREF_POINTS; i++) many += std::to_string(i) + " 1\n";
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
        for (size_t i = 0; i < points.size(); i++) EXPECT_EQ(i % 2 ? altref_height[i / 2] : altref_distance[i / 2], points[i]) << text;
    }
}

// The length of a trace in a curved section, the running starts, the wrap-around slot and the centre line.
TEST(TraceLengths, InSectionsStartsAndCentreLine)
{
    const float lengths[][3] = { // of a section of 1000: radius, offset, trace length
        {50, 5, 900}, {50, -5, 1100}, {-50, -5, 900}, {50, 50, 1000}, {50, 60, 1000}, {3, 1, 666}, {0, 7, 1000}, {50, -50, 2000}};
    for (const auto& [radius, offset, length] : lengths) EXPECT_EQ(trace_length_in_section(1000, radius, offset), length) << offset;
    fresh_model(3, 2);
    for (int s = 0, t = 0; s < 3; t = (t + 1) % MAX_TRACES, s += !t)
        section_length[s] = 90 + 5 * s, trace_point[s][t].height = 100 * s + t;
    // Trace 1, 1 m to the side, is 93 long in section 1; the wrap-around slot has starts left over.
    section_radius[1] = 50.0f, trace_start[3][0] = trace_start[3][1] = 7;
    compute_trace_lengths();
    for (int t = 0; t < 2; t++) // starts of sections 1 to 3, then the wrap-around slot's lengths and height
        EXPECT_EQ(std::vector<int>({trace_start[1][t], trace_start[2][t], trace_start[3][t], section_length[3], trace_length[3][t],
                                    trace_point[3][t].height}), std::vector<int>({90, t ? 183 : 185, 0, 90, 90, t})) << t;
    EXPECT_FLOAT_EQ(trace_start_m[2][1], 183 / 19685.0f);
    EXPECT_EQ(trace_length[0][2] + trace_point[3][2].height, 0); // trace slots beyond the count are not touched
    const int centres[][3] = {{-1, 5, 2}, {-1, 4, 1}, {3, 7, 3}, {7, 7, 6}, {40, 16, 15}}; // configured, traces, centre
    for (const auto& [configured, traces, expected] : centres) {
        fresh_model(2, traces);
        section_length[0] = section_length[1] = 100, centre_trace = configured, selected_section = 1, compute_trace_lengths();
        EXPECT_EQ(std::make_tuple(centre_line_trace, selected_trace, selected_section), std::make_tuple(expected, expected, 0)) << traces;
    }
}

// The demo without its track file: the text files stand in for it (with it, the golden frames load and show it).
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
    std::string output;
    EXPECT_EQ(run_vemora(empty.path, &output), 1);
    EXPECT_EQ(output, "Vemora v. 0.99\nFatal error: Did not find >vemora.cfg<\n");
}

static std::string times(int n, const std::string& text) { return n ? text + times(n - 1, text) : ""; }
const std::string saved = "saved; ";

TEST(TraceDataFile, ExactLayout)
{
    fresh_model(1, 1), section_length[0] = 500, trace_point[0][0] = {10, 4, 3, -2}; // height, slope, quad, cubic
    EXPECT_EQ(formatted(), " 1 1" + times(80, " 0") + "\n 0 500 10 -2 3 4 0.000000" + times(MAX_TRACES - 1, " 0 0 0 0 0.000000") + "\n");
    std::fill_n(&trace_point[0][0].height, 4 * MAX_TRACES, INT32_MIN); // the longest numbers fit the room asked for
    EXPECT_LE(format_trace_data(&std::string(2 * trace_data_capacity(), '\0')[0], 2 * trace_data_capacity()), (int)trace_data_capacity());
    ScratchDir dir;
    fill_model(MAX_SECTIONS - 1, 2); // the largest model, saved as formatted
    ASSERT_EQ(save(dir.file("t")) + save("/dev/null"), saved + saved); // over the previous file; a device cannot be synced
    EXPECT_TRUE(read_file(dir.file("t")) == formatted());
}

// Every stored value comes back, also with other separators: a comma directly after a number separates,
// one after white space ends the numbers; values read and dropped may have any size. Files that cannot
// be used are refused with the reason, in bounded time also for a device or a directory.
TEST(TraceDataFile, ReadBackOrRefused)
{
    fill_model(300, 2); // several times the reader's buffer
    const std::string canonical = formatted(), zeros = times(80, " 0");
    auto joined = [&](const char* sep) { return std::regex_replace(canonical, std::regex(" (\\S+)\n?"), std::string("$1") + sep); };
    const std::string discarded = " 300 2" + times(80, " 4294967295") + std::regex_replace(std::regex_replace(canonical.substr(
        canonical.find('\n')), std::regex(" 0\\.000000"), " -1.5e300"), std::regex("\n \\d+ "), "\n +99999999999999999999 ");
    const std::pair<std::string, std::string> cases[] = { // the file (a path: opened), the reason for refusing it
        {canonical, ""}, {joined(","), ""}, {joined(", "), ""}, {joined(",\r\n"), ""}, {joined("\r\n"), ""}, {joined("\t"), ""},
        {discarded, ""}, {joined(" ,"), "no trace count"}, {" 4096 1" + zeros, "section count 4096 is not between 1 and 4095"},
        {" 1 17" + zeros, "trace count 17 is not between 1 and 16"}, {"/dev/zero", "no section count"},
        {" 1 1 " + std::string(65, '1'), "reading stopped at header value 1"}, {"/", "the file could not be read"}, // longer than any number
        {" 1 1" + zeros + " 0 2147483648", "reading stopped in section 0"}, // a stored value beyond 32 bits
        {canonical.substr(0, canonical.size() - 20), "reading stopped in section 299"}};
    for (const auto& [text, refused] : cases) {
        char why[160] = "";
        fresh_model(0, 0);
        FILE* file = text[0] == '/' ? std::fopen(text.c_str(), "r") : fmemopen((void*)text.data(), text.size(), "r");
        EXPECT_EQ(parse_trace_data(file, why, sizeof why) ? std::string(why) : formatted(), refused.empty() ? canonical : refused);
        std::fclose(file);
    }
}

// In 400 MB of address space an endless trace data file ends start-up at once, an endless track
// file leaves the geometry's defaults; every line printed before stays in the captured output.
TEST(TraceDataFile, StartUpWithEndlessFiles)
{
    ScratchDir dir;
    write_file(dir.file("t.txt"), (fill_model(3, 2), formatted()));
    std::string limit = "ulimit -t 20";
#ifndef __SANITIZE_ADDRESS__ // which reserves far more address space than that
    limit += " && ulimit -v 400000";
#endif
    const std::pair<std::string, std::string> cases[] = {
        {"INFILE /dev/zero\n", "Reading trace data from >/dev/zero<\n"
                               "Fatal error: Trace data file >/dev/zero< is not usable: no section count\n"},
        {"INFILE t.txt\nTRKFILE /dev/zero\n", "Reading trace data from >t.txt<\nReading trace-position and radius data from "
                                              ">/dev/zero<\nWarning: >/dev/zero< is not a regular file; the geometry keeps its defaults\n"
                                              "Fatal error: Could not start the graphics library (no display?)\n"}};
    for (const auto& [settings, printed] : cases) {
        write_file(dir.file("vemora.cfg"), settings);
        std::string output; // the limits are set before run_vemora's `cd`
        EXPECT_EQ(run_vemora(dir.path + "' && " + limit + " && cd '" + dir.path, &output), 1);
        EXPECT_EQ(output, "Vemora v. 0.99\nReading config file\n" + printed);
    }
}
