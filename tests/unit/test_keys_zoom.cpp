// The keys that change only the view and the selection; the mapping between track values and screen positions,
// the rectangle zoom and the tick steps (what they draw, and zoom to fit, are in the golden images); the docs.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

#include "commands/keys.h"
#include "display/layout.h"
#include "display/view.h"
#include "interaction/edit_math.h"
#include "interaction/zoom.h"
#include "support.h"
#include "track/model.h"

using Range = std::tuple<int, int, int>; // first, last, selected

// 10 sections and 5 traces (centre line 2) on a 640 x 480 screen.
class Keys : public ::testing::Test {
    void SetUp() override { fresh_model(10, 5), centre_line_trace = 2, compute_layout(640, 480); }
};

// Below the cross-section panel the keypad moves the section range (pulling the selected section in),
// from its bottom row up the trace range (leaving the selected trace); arrows and Home (the centre line, though
// not shown) work anywhere; End does nothing. Insert, Delete, Page Up and Page Down move a height limit by a
// share of the span; pressed on and on, they never make the limits cross or overflow (q and shift-q are in the
// session tests).
TEST_F(Keys, RangesSelectionAndHeightLimitsStayWithinTheirBounds)
{
    const struct { int key; Range start, sections, traces; } cases[] = { // traces: after a keypad key up top
        {KEY_7_PAD, {1, 3, 1}, {2, 3, 2}, {2, 3, 1}}, {KEY_7_PAD, {3, 4, 1}, {3, 4, 3}, {3, 4, 1}},
        {KEY_3_PAD, {1, 3, 3}, {1, 2, 2}, {1, 2, 3}}, {KEY_3_PAD, {3, 4, 8}, {3, 4, 4}, {3, 4, 8}},
        {KEY_1_PAD, {1, 3, 2}, {0, 3, 2}, {0, 3, 2}}, {KEY_1_PAD, {0, 3, 2}, {0, 3, 2}, {0, 3, 2}},
        {KEY_9_PAD, {1, 8, 2}, {1, 9, 2}, {1, 8, 2}}, {KEY_9_PAD, {1, 9, 2}, {1, 9, 2}, {1, 9, 2}},
        {KEY_LEFT, {2, 4, 2}, {2, 4, 2}, {2, 4, 2}},  {KEY_LEFT, {2, 4, 3}, {2, 4, 2}, {2, 4, 3}},
        {KEY_RIGHT, {2, 4, 4}, {2, 4, 4}, {2, 4, 4}}, {KEY_RIGHT, {2, 4, 3}, {2, 4, 4}, {2, 4, 3}},
        {KEY_UP, {2, 4, 4}, {2, 4, 4}, {2, 4, 4}},    {KEY_UP, {2, 3, 3}, {2, 3, 3}, {2, 3, 4}},
        {KEY_DOWN, {2, 4, 0}, {2, 4, 0}, {2, 4, 0}},  {KEY_DOWN, {2, 4, 1}, {2, 4, 1}, {2, 4, 0}},
        {KEY_HOME, {3, 4, 4}, {3, 4, 4}, {3, 4, 2}},  {KEY_END, {2, 4, 3}, {2, 4, 3}, {2, 4, 3}},
    };
    for (const auto& c : cases)
        for (int row : {cross_bottom + 1, cross_bottom, 0}) { // both ranges start as c.start
            std::tie(first_section, last_section, selected_section) = c.start;
            std::tie(first_trace, last_trace, selected_trace) = c.start, perform_command({c.key, false, row});
            const bool pad = c.key >= KEY_1_PAD && c.key <= KEY_9_PAD, upper = row <= cross_bottom;
            const Range sections = pad && upper ? c.start : c.sections, traces = pad && !upper ? c.start : c.traces;
            EXPECT_EQ(Range(first_section, last_section, selected_section), sections) << c.key << " " << row;
            EXPECT_EQ(Range(first_trace, last_trace, selected_trace), traces) << c.key << " " << row;
        }
    const struct { int key; float bottom, top; } limits[] = {
        {KEY_INSERT, 0, 105}, {KEY_DEL, 0, 95}, {KEY_PGUP, 5, 100}, {KEY_PGDN, -5, 100}};
    for (const auto& c : limits) {
        height_bottom = 0, height_top = 100, perform_command({c.key, false, 0});
        EXPECT_EQ(std::make_pair(height_bottom, height_top), std::make_pair(c.bottom, c.top)) << c.key;
        for (int n = 0; n < 2000; n++)
            perform_command({c.key, false, 0});
        EXPECT_TRUE(std::isfinite(height_bottom) && std::isfinite(height_top) && height_bottom <= height_top) << c.key;
    }
}

// One metre a pixel both ways, from 100 m at the left and 0 m at the bottom: the mouse maps back as drawn (the
// worked mapping is in every golden frame); heights far off are not clamped to the panel, yet stay within what
// lines handle. Sections every 50 m. Zoom corners in either order: 160 m is nearest section 1, 340 m section 5,
// the selection is pulled in. Refused: both sides nearest one section start, and a rectangle without height.
// The nearest section: along the selected trace only, over all sections rather than the shown ones, a tie to
// the lower one, and section 0 when none is within 1000000 m. Tick steps by the range shown: the bounds are strict.
TEST_F(Keys, MappingZoomToRectangleNearestSectionAndTickSteps)
{
    selected_trace = 1, profile_dist_min = 100, profile_dist_max = 676, profile_alt_min = 0, profile_alt_max = 288;
    EXPECT_EQ(std::make_tuple(x_to_distance(32 + 288), distance_to_x(388), y_to_height(456 - 100)),
              std::make_tuple(388.0, 32 + 288, 100.0));
    const int up = height_to_y(1e30f), down = height_to_y(-1e30f);
    EXPECT_TRUE(up < -100000 && up >= -(1 << 24) && down > 100000 && down <= 1 << 24) << up << " " << down;
    for (int i = 0; i <= num_sections; i++)
        trace_start_m[i][selected_trace] = 100 + 50.0f * i;
    auto view = [] { return std::tuple(first_section, last_section, selected_section, height_bottom, height_top); };
    const auto before = view();
    EXPECT_EQ(std::make_pair(zoom_to_rectangle(32 + 40, 156, 32 + 74, 356), zoom_to_rectangle(92, 306, 272, 306)),
              std::make_pair(1, 2));
    EXPECT_TRUE(view() == before);
    const int corners[][6] = {{60, 300, 240, 100, 3, 3}, {240, 100, 60, 300, 0, 1}, // and the selection before, after
                              {60, 100, 240, 300, 9, 5}, {240, 300, 60, 100, 5, 5}};
    for (const auto& c : corners) {
        selected_section = c[4];
        ASSERT_EQ(zoom_to_rectangle(32 + c[0], 456 - c[1], 32 + c[2], 456 - c[3]), 0);
        EXPECT_EQ(std::make_tuple(first_section, last_section, selected_section), std::make_tuple(1, 5, c[5]));
        EXPECT_TRUE(std::fabs(height_top - 300) < 1e-3 && std::fabs(height_bottom - 100) < 1e-3) << height_bottom;
    }
    EXPECT_EQ(std::make_tuple(nearest_section(125), nearest_section(126), nearest_section(97), nearest_section(590),
                              nearest_section(999100), nearest_section(1000551)), std::make_tuple(0, 1, 0, 9, 9, 0));
    const float ticks[][3] = { // range, major and minor step: just above each bound, and at one
        {10001, 5000, 1000}, {10000, 2000, 500}, {1000.5f, 500, 100}, {500.5f, 200, 50}, {100.5f, 50, 10},
        {50.5f, 20, 5}, {10.5f, 5, 1}, {6, 2, 0.5f}, {1.5f, 0.5f, 0.1f}, {1, 0.2f, 0.05f}, {0.5f, 0.05f, 0.01f},
        {-3, 0.05f, 0.01f}, {NAN, 0.05f, 0.01f}};
    for (auto& c : ticks) {
        float major = -1, minor = -1;
        choose_tick_steps(c[0], &major, &minor);
        EXPECT_TRUE(major == c[1] && minor == c[2]) << c[0] << ": " << major << " " << minor;
    }
}

// The README's table of keys and the manual's KEYS and MOUSE sections name every command of the table
// the help box is drawn from.
TEST(Docs, NameEveryCommand)
{
    const std::string readme = read_file(VEMORA_SOURCE_DIR "/README.md");
    const std::string manual = read_file(VEMORA_SOURCE_DIR "/docs/vemora.1");
    const std::string table = readme.substr(readme.find("### Keys")), keys = manual.substr(manual.find(".SH KEYS"));
    std::string terms = "|"; // the manual's terms: its .B and .BR lines without quotes, split at commas
    const std::regex markup("^\\.BR? |\""), comma(" *, *");
    std::istringstream lines(keys.substr(0, keys.find(".SH FILES")));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(".B", 0) == 0)
            terms += std::regex_replace(std::regex_replace(line, markup, ""), comma, "|") + "|";
    for (int i = 0; i < command_count; i++) {
        std::istringstream names(commands[i].names);
        for (std::string name; std::getline(names, name, '|');) {
            EXPECT_NE(table.find("`" + name + "`"), std::string::npos) << name << " in the README";
            EXPECT_NE(terms.find("|" + name + "|"), std::string::npos) << name << " in the manual";
        }
    }
}
