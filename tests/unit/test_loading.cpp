// Loading a track and saving its trace data: the configuration file, the altitude reference, the trace
// lengths and distances derived, the start-up as a whole, and the trace data file read and written exactly
// or refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "display/graphics.h"
#include "display/layout.h"
#include "display/view.h"
#include "interaction/flags.h"
#include "support.h"
#include "track/altref.h"
#include "track/config.h"
#include "track/history.h"
#include "track/invariants.h"
#include "track/lengths.h"
#include "track/model.h"
#include "track/startup.h"
#include "track/trace_data.h"

using Settings = std::tuple<std::string, std::string, std::string, int, int, int>;

// A line of vemora.cfg; what it sets of the input, output and track file, the screen size and the centre line.
// Lines are read in pieces of at most 239 characters, the line break included.
TEST(Configuration, Lines)
{
    const std::string whole(230, 'a'), cut(231, 'o');
    const Settings none{"", "", "", 640, 480, 0};
    const std::pair<std::string, Settings> cases[] = {
        {"INFILE\tx", none},                                        // a tab is no separator
        {"infile x", none},                                         // keywords are upper case
        {"\n  \nINFILE a", {"a", "", "", 640, 480, 0}},             // blank lines are skipped
        {"INFILE a\nINFILE", {"a", "", "", 640, 480, 0}},           // a keyword without its value changes nothing
        {"GRAPHRES 800", none},                                     // GRAPHRES needs both values
        {"OUTFILE b c\nGRAPHRES 800 600 1024\nCENTRELINE -1 5", {"", "b", "", 800, 600, -1}}, // more words: ignored
        {"INFILE a\r\nOUTFILE b\r", {"a", "b", "", 640, 480, 0}},   // a CR at a line's end is no part of it
        {"TRKFILE " + whole + "\nOUTFILE " + cut + "INFILE x", {"x", cut, whole, 640, 480, 0}}, // in pieces of 239
        {std::string("INFILE a\n\0\nINFILE b", 19), {"a", "", "", 640, 480, 0}}}; // a NUL byte ends the text
    for (const auto& [text, expected] : cases) {
        fresh_model(1, 1);
        EXPECT_EQ(read_text(read_configuration, nullptr, text, "vemora.cfg"), "Reading config file\n");
        EXPECT_EQ(Settings(in_file_name, out_file_name, trk_file_name, screen_width, screen_height, centre_trace),
                  expected) << text;
    }
}

// GRAPHRES sizes a window can have: 1 to 32767 pixels a side, 4 bytes a pixel within 31 bits.
TEST(Configuration, WindowSizes)
{
    const int cases[][4] = {           // a size possible, the next beyond the limit; either way round
        {1, 1, 1, 0},                  // a pixel a side at least
        {32767, 1, 32768, 1},          // 32767 pixels a side at most
        {32767, 16384, 32767, 16385}}; // 4 bytes a pixel within 31 bits
    for (const auto& c : cases)
        EXPECT_TRUE(window_size_possible(c[0], c[1]) && window_size_possible(c[1], c[0]) &&
                    !window_size_possible(c[2], c[3]) && !window_size_possible(c[3], c[2])) << c[2] << " x " << c[3];
}

// Pairs of words, distance and height, the height offset by ALTREFOFFSET (here 2.5).
TEST(AltitudeReference, PairsOffsetAndLimits)
{
    std::string many;
    for (int i = 0; i <= MAX_ALTREF_POINTS; i++) many += std::to_string(i) + " 1\n";
    const std::string word(1000, 'x'), number = "1234.5678" + std::string(1000, '0');
    const std::tuple<std::string, std::vector<float>, std::string> cases[] = { // file, points, warning
        {"0 17.5\n25 -3 50", {0, 20, 25, -0.5f}, ""},                 // an odd word left over is dropped
        {number + " " + word + " 3 4", {1234.5678f, 2.5f, 3, 6.5f}, ""}, // words far beyond a number's length are cut
        {many, {}, "Warning: >t.txt< holds more than 4096 points; 1 were ignored\n"}}; // points beyond the room
    for (const auto& [text, points, warning] : cases) {
        char offset[] = "ALTREFOFFSET 2.5";
        fresh_model(1, 1), apply_configuration_line(offset);
        EXPECT_EQ(read_text(read_altitude_reference, altref_file_name, text),
                  "Reading altitude reference data from >t.txt<\n" + warning);
        EXPECT_EQ(altref_count, points.empty() ? MAX_ALTREF_POINTS : (int)points.size() / 2);
        for (size_t i = 0; i < points.size(); i++)
            EXPECT_EQ(i % 2 ? altref_height[i / 2] : altref_distance[i / 2], points[i]) << text.substr(0, 20);
    }
}

// The length of a trace in a curved section, the running starts, the wrap-around slot and the centre line.
TEST(TraceLengths, InSectionsStartsAndCentreLine)
{
    const float lengths[][3] = { // of a section of 1000: radius, offset, trace length
        {50, 5, 900},            // inside a left turn
        {-50, -5, 900},          // inside a right turn
        {3, 1, 666},             // in whole units, cut
        {50, 60, 1000},          // beyond the curve's centre: the section's own
        {0, 7, 1000}};           // straight
    for (const auto& [radius, offset, length] : lengths)
        EXPECT_EQ(trace_length_in_section(1000, radius, offset), length) << radius << ", " << offset;
    fresh_model(3, 2);
    for (int s = 0, t = 0; s < 3; t = (t + 1) % MAX_TRACES, s += !t)
        section_length[s] = 90 + 5 * s, trace_point[s][t].height = 100 * s + t;
    // Trace 1, 1 m to the side, is 93 long in section 1; the wrap-around slot has starts left over.
    section_radius[1] = 50.0f, trace_start[3][0] = trace_start[3][1] = 7;
    compute_trace_lengths();
    for (int t = 0; t < 2; t++) // starts of sections 1 to 3, then the wrap-around slot's lengths and height
        EXPECT_EQ(std::vector<int>({trace_start[1][t], trace_start[2][t], trace_start[3][t], section_length[3],
                                    trace_length[3][t], trace_point[3][t].height}),
                  std::vector<int>({90, t ? 183 : 185, 0, 90, 90, t})) << t;
    EXPECT_EQ(trace_length[0][2] + trace_point[3][2].height, 0); // trace slots beyond the count are not touched
    const int centres[][3] = { // configured, traces, centre
        {-1, 8, 3},            // none: the middle trace, rounded down
        {0, 7, 0},             // the trace configured
        {7, 7, 6}};            // one beyond the last: the last
    for (const auto& [configured, traces, expected] : centres) {
        fresh_model(2, traces);
        section_length[0] = section_length[1] = 100, centre_trace = configured, selected_section = 1;
        compute_trace_lengths();
        EXPECT_EQ(std::make_tuple(centre_line_trace, selected_trace, selected_section),
                  std::make_tuple(expected, expected, 0)) << configured;
    }
}

// The demo without its track file: the text files stand in for it (with it, the golden frames load and show it).
TEST(StartUp, DemoTrackLoadsInOrder)
{
    ScratchDir dir;
    std::filesystem::copy(VEMORA_SOURCE_DIR "/examples/demo", dir.path);
    write_file(dir.file("vemora.cfg"), read_file(dir.file("vemora.cfg")) + "TRKFILE none.trk\n");
    fresh_model(0, 0);
    EXPECT_EQ(printed_in(dir.path, [] { return load_track(), 0; }),
              "Vemora v. 0.99\nReading config file\nReading trace data from >trace.txt<\nDid not find >none.trk<\n"
              "Reading trace positions from >tracepos.txt<\nReading radius data from >radius.txt<\n"
              "Reading altitude reference data from >altref.txt<\n");
    write_file(dir.file("vemora.cfg"), "INFILE none.txt\n"); // "Fatal error: Did not find >none.txt<"
    EXPECT_EXIT(printed_in(dir.path, [] { return load_track(), 0; }), testing::ExitedWithCode(1), "");
}

// fonts.dat is taken from the working directory; with none there, beside this program or in the data directory
// found from it, none is chosen and the places are listed. A datafile without one of the three fonts is refused.
TEST(StartUp, FontsDatafile)
{
    ScratchDir dir;
    const std::string fonts = read_file(VEMORA_BUILD_DIR "/fonts.dat"), tests = VEMORA_BUILD_DIR "/tests";
    auto chosen = [] { return std::printf("%s", choose_fonts_path() ? choose_fonts_path() : "none"), 0; };
    EXPECT_EQ(printed_in(dir.path, chosen), "Did not find >fonts.dat<\nDid not find >" + tests + "/fonts.dat<\n"
              "Did not find >" + tests + "/../share/vemora/fonts.dat<\nnone");
    write_file(dir.file("fonts.dat"), std::string(fonts).replace(fonts.find("fnt5x6"), 6, "fnt5x7"));
    EXPECT_EQ(printed_in(dir.path, chosen), "fonts.dat");
    EXPECT_FALSE(load_font_datafile(dir.file("fonts.dat").c_str()));
    EXPECT_TRUE(load_font_datafile(VEMORA_BUILD_DIR "/fonts.dat")); // for the drawing tests
}

// The demo as loaded keeps every invariant of the model; each kind of break is named.
TEST(StartUp, InvariantsNameTheFirstBroken)
{
    const std::pair<void (*)(), const char*> breaks[] = {
        {[] {}, ""},
        {[] { trace_point[0][num_traces].height = 5; }, ""}, // slots beyond the traces are not mirrored
        {[] { fresh_model(1, 1), compute_trace_lengths(), history_clear(); }, ""}, // a track of one section
        {[] { trace_point[num_sections][6].cubic++; }, "the wrap-around slot differs from section 0"},
        {[] { trace_start[149][6]++; }, "trace_start is not the running sum of trace_length"},
        {[] { trace_start[num_sections][0] = 1; }, "the wrap-around slot does not start at 0"},
        {[] { num_traces = 17; }, "the section or trace count lies outside the capacity"},
        {[] { first_section = -1; }, "the section range lies outside the track"},
        {[] { last_section = num_sections; }, "the section range lies outside the track"},
        {[] { first_trace = last_trace + 1; }, "the trace range lies outside the traces"},
        {[] { last_trace = num_traces; }, "the trace range lies outside the traces"},
        {[] { selected_section = num_sections; }, "the selection lies outside the track"},
        {[] { selected_trace = -1; }, "the selection lies outside the track"},
        {[] { data_modified = 1; }, "the unsaved flag disagrees with the undo history"},
    };
    for (const auto& [broken, named] : breaks) {
        load_demo_track(), broken();
        EXPECT_STREQ(broken_invariant() ? broken_invariant() : "", named);
    }
}

static std::string times(int n, const std::string& text) { return n ? text + times(n - 1, text) : ""; }

TEST(TraceDataFile, ExactLayout)
{
    fresh_model(1, 1), section_length[0] = 500, trace_point[0][0] = {10, 4, 3, -2}; // height, slope, quad, cubic
    EXPECT_EQ(formatted(), " 1 1" + times(80, " 0") + "\n 0 500 10 -2 3 4 0.000000" +
                               times(MAX_TRACES - 1, " 0 0 0 0 0.000000") + "\n");
    std::fill_n(&trace_point[0][0].height, 4 * MAX_TRACES, INT32_MIN); // the longest numbers fit the room asked for
    std::string room(2 * trace_data_capacity(), '\0');
    EXPECT_LE(format_trace_data(&room[0], room.size()), (int)trace_data_capacity());
    ScratchDir dir;
    fill_model(MAX_SECTIONS - 1, 2); // the largest model, saved as formatted
    ASSERT_EQ(save(dir.file("t")) + save("/dev/null"), "saved; saved; "); // a device cannot be synced
    EXPECT_TRUE(read_file(dir.file("t")) == formatted());
}

// Every stored value comes back, also with other separators; files that cannot be used are refused with the
// reason, in bounded time also for a device or a directory.
TEST(TraceDataFile, ReadBackOrRefused)
{
    fill_model(300, MAX_TRACES); // several times the reader's buffer
    const std::string canonical = formatted(), zeros = times(80, " 0"), tail = canonical.substr(canonical.find('\n'));
    auto joined = [&](std::string sep) { return std::regex_replace(canonical, std::regex(" (\\S+)\n?"), "$1" + sep); };
    const std::string huge = "\n +99999999999999999999", discarded = " 300 16" + times(80, " 4294967295") +
        std::regex_replace(std::regex_replace(tail, std::regex(" 0\\.0+"), " -1.5e300"), std::regex("\n \\d+"), huge);
    const std::string section = times(MAX_TRACES, " 0 0 0 0 0.0"); // the rest of a section's line
    const std::pair<std::string, std::string> cases[] = { // the file (a path: opened), the reason for refusing it
        {canonical, ""},
        {joined(","), ""},                                       // a comma directly after a number separates
        {joined("\t\r\n\v\f"), ""},                              // so does any white space
        {discarded, ""},                                         // values read and dropped may have any size
        {joined(" ,"), "no trace count"},                        // a comma after white space ends the numbers
        {" 4096 1" + zeros, "section count 4096 is not between 1 and 4095"},
        {" 1 17" + zeros, "trace count 17 is not between 1 and 16"},
        {"/dev/zero", "no section count"},
        {" 1 1 " + std::string(65, '1'), "reading stopped at header value 1"}, // longer than any number
        {" 1 1 - 0", "reading stopped at header value 1"},                      // a sign alone is no number
        {"/", "the file could not be read"},
        {" 1 1" + zeros + " 0 2147483648" + section, "reading stopped in section 0"},  // a stored value beyond 32 bits
        {" 1 1" + zeros + " 0 -2147483649" + section, "reading stopped in section 0"}, // either way
        {canonical.substr(0, canonical.size() - 20), "reading stopped in section 299"}};
    for (const auto& [text, refused] : cases) {
        char why[160] = "";
        fresh_model(0, 0);
        FILE* file = text[0] == '/' ? std::fopen(text.c_str(), "r") : fmemopen((void*)text.data(), text.size(), "r");
        EXPECT_EQ(!parse_trace_data(file, why, sizeof why) ? std::string(why) : formatted(),
                  refused.empty() ? canonical : refused);
        std::fclose(file);
    }
}
