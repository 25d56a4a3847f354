// Keyboard commands that change only the view and the selection, and the rectangle zoom.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "commands/keys.h"
#include "display/layout.h"
#include "display/view.h"
#include "interaction/flags.h"
#include "interaction/zoom.h"
#include "track/model.h"

void build_smooth_track(int sections, int traces, int centre); // test_edit.cpp

namespace {

auto view_state()
{
    return std::make_tuple(first_section, last_section, first_trace, last_trace, selected_section, selected_trace,
                           height_bottom, height_top, show_angles, quit_requested, data_modified);
}

using Range = std::tuple<int, int, int>; // first, last, selected

// 10 sections of 50 m and 5 traces (centre line 2) on a 640 x 480 screen.
class Keys : public ::testing::Test {
protected:
    void SetUp() override
    {
        build_smooth_track(10, 5, -1);
        compute_layout(640, 480);
    }
    int profile_row() const { return cross_bottom + 1; }
    // Gives both ranges and selections the same values, presses `key` with the pointer on
    // `row` and returns the section range and the trace range afterwards.
    std::pair<Range, Range> after(int key, int row, Range start)
    {
        std::tie(first_section, last_section, selected_section) = start;
        std::tie(first_trace, last_trace, selected_trace) = start;
        perform_command(key, false, row);
        return {Range(first_section, last_section, selected_section), Range(first_trace, last_trace, selected_trace)};
    }
};

} // namespace

TEST_F(Keys, HeightLimitsMoveByAShareOfTheSpanAndNeverCross)
{
    const struct {
        int key;
        float bottom, top;
    } cases[] = {{KEY_INSERT, 0, 105}, {KEY_DEL, 0, 95}, {KEY_PGUP, 5, 100}, {KEY_PGDN, -5, 100}};
    for (const auto& c : cases) {
        height_bottom = 0;
        height_top = 100;
        perform_command(c.key, false, 0);
        EXPECT_FLOAT_EQ(height_bottom, c.bottom) << c.key;
        EXPECT_FLOAT_EQ(height_top, c.top) << c.key;

        height_bottom = 100;
        height_top = 200;
        for (int i = 0; i < 2000; i++) {
            perform_command(c.key, false, 0);
            ASSERT_TRUE(std::isfinite(height_bottom) && std::isfinite(height_top)) << c.key << " " << i;
            ASSERT_LE(height_bottom, height_top) << c.key << " " << i;
        }
    }
}

TEST_F(Keys, KeypadMovesTheSectionRangeBelowTheCrossSectionAndTheTraceRangeElse)
{
    const struct {
        int key;
        Range start, sections, traces;
    } cases[] = {
        {KEY_7_PAD, {1, 3, 1}, {2, 3, 2}, {2, 3, 1}}, {KEY_7_PAD, {3, 4, 1}, {3, 4, 3}, {3, 4, 1}},
        {KEY_3_PAD, {1, 3, 3}, {1, 2, 2}, {1, 2, 3}}, {KEY_3_PAD, {3, 4, 8}, {3, 4, 4}, {3, 4, 8}},
        {KEY_1_PAD, {1, 3, 2}, {0, 3, 2}, {0, 3, 2}}, {KEY_1_PAD, {0, 3, 2}, {0, 3, 2}, {0, 3, 2}},
        {KEY_9_PAD, {1, 4, 2}, {1, 5, 2}, {1, 4, 2}}, {KEY_9_PAD, {1, 9, 2}, {1, 9, 2}, {1, 9, 2}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(after(c.key, profile_row(), c.start), std::make_pair(c.sections, c.start)) << c.key;
        // From the cross-section panel's bottom row upward the trace range moves; the selected trace stays.
        for (int row : {cross_bottom, 0})
            EXPECT_EQ(after(c.key, row, c.start), std::make_pair(c.start, c.traces)) << c.key << " " << row;
    }
}

TEST_F(Keys, SelectionKeysStayWithinTheirLimits)
{
    const struct {
        int key;
        Range start, sections, traces;
    } cases[] = {
        {KEY_LEFT, {2, 4, 2}, {2, 4, 2}, {2, 4, 2}}, {KEY_LEFT, {2, 4, 3}, {2, 4, 2}, {2, 4, 3}},
        {KEY_RIGHT, {2, 4, 4}, {2, 4, 4}, {2, 4, 4}}, {KEY_RIGHT, {2, 4, 3}, {2, 4, 4}, {2, 4, 3}},
        {KEY_UP, {2, 4, 4}, {2, 4, 4}, {2, 4, 4}},    {KEY_UP, {2, 4, 3}, {2, 4, 3}, {2, 4, 4}},
        {KEY_DOWN, {2, 4, 0}, {2, 4, 0}, {2, 4, 0}},  {KEY_DOWN, {2, 4, 1}, {2, 4, 1}, {2, 4, 0}},
        {KEY_HOME, {3, 4, 4}, {3, 4, 4}, {3, 4, 2}}, // the centre line, though not shown
    };
    for (const auto& c : cases)
        EXPECT_EQ(after(c.key, profile_row(), c.start), std::make_pair(c.sections, c.traces)) << c.key;
}

TEST_F(Keys, TogglesQuitZoomAndKeysWithoutCommand)
{
    for (uint16_t from : {1, 0, 7}) {
        show_angles = from;
        perform_command(KEY_A, false, 0);
        EXPECT_EQ(show_angles, from == 0 ? 1 : 0);
    }

    first_section = 3;
    first_trace = 1;
    height_top = 1e6f;
    perform_command(KEY_Z, false, 0);
    EXPECT_EQ(first_section, 0);
    EXPECT_EQ(first_trace, 0);
    EXPECT_LT(height_top, 1e6f);

    const auto before = view_state();
    for (int key : {(int)KEY_END, (int)KEY_ESC, (int)KEY_B, (int)KEY_DOWN + 1})
        perform_command(key, false, profile_row());
    EXPECT_TRUE(view_state() == before);

    perform_command(KEY_Q, false, 0);
    EXPECT_EQ(quit_requested, 1);
    quit_requested = 0;
    data_modified = 1;
    perform_command(KEY_Q, true, 0); // shift quits despite unsaved data (else it would draw)
    EXPECT_EQ(quit_requested, 1);
}

namespace {

// The profile shows 0 m to its width in metres left to right, one metre a pixel, and 0 m
// to its height in metres bottom to top; sections start every 50 m.
class Zoom : public Keys {
protected:
    void SetUp() override
    {
        Keys::SetUp();
        profile_dist_min = profile_alt_min = 0;
        profile_dist_max = (float)profile_width;
        profile_alt_max = (float)-profile_height;
        for (int i = 0; i <= num_sections; i++)
            trace_start_m[i][selected_trace] = 50.0f * i;
        first_trace = 1;
        last_trace = 3;
    }
    int x_at(int metres) const { return profile_left + metres; }
    int y_at(int metres) const { return profile_bottom - metres; }
};

} // namespace

TEST_F(Zoom, RectangleSetsSectionAndHeightRange)
{
    const int x1 = x_at(60), x2 = x_at(240), y1 = y_at(300), y2 = y_at(100);
    const int corners[][4] = {{x1, y1, x2, y2}, {x2, y2, x1, y1}, {x1, y2, x2, y1}, {x2, y1, x1, y2}};
    for (const auto& c : corners) {
        selected_section = 3;
        ASSERT_EQ(zoom_to_rectangle(c[0], c[1], c[2], c[3]), 0);
        // 60 m is nearest to the start of section 1, 240 m to that of section 5.
        EXPECT_EQ(std::make_tuple(first_section, last_section, selected_section, first_trace, last_trace),
                  std::make_tuple(1, 5, 3, 1, 3));
        EXPECT_NEAR(height_top, 300, 1e-3);
        EXPECT_NEAR(height_bottom, 100, 1e-3);
    }
    selected_section = 0;
    zoom_to_rectangle(x1, y1, x2, y2);
    EXPECT_EQ(selected_section, 1);
    selected_section = 9;
    zoom_to_rectangle(x2, y2, x1, y1);
    EXPECT_EQ(selected_section, 5);
}

TEST_F(Zoom, RefusedRectanglesChangeNothing)
{
    const auto before = view_state();
    // Both sides nearest to the start of section 1, and a click without movement.
    EXPECT_EQ(zoom_to_rectangle(x_at(40), y_at(300), x_at(74), y_at(100)), 1);
    EXPECT_EQ(zoom_to_rectangle(x_at(200), y_at(200), x_at(200), y_at(200)), 1);
    EXPECT_EQ(zoom_to_rectangle(x_at(60), y_at(150), x_at(240), y_at(150)), 2);
    EXPECT_TRUE(view_state() == before);
}
