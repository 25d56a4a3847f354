// The view drawn off screen: the fast drawing must give the same page as the
// straightforward one, frames and colours stand where the layout puts them, and lines
// reaching far off the panel draw quickly.

#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include "display/graphics.h"
#include "display/layout.h"
#include "display/renderer.h"
#include "display/view.h"
#include "support.h"
#include "track/lengths.h"
#include "track/model.h"

namespace {

struct Page {
    std::vector<uint32_t> pixels;
    int w = 0;
    uint32_t at(int x, int y) const { return pixels[(size_t)y * w + x]; }
    int count(int colour, int x1, int y1, int x2, int y2) const
    {
        int n = 0;
        for (int y = y1; y <= y2; y++)
            for (int x = x1; x <= x2; x++)
                n += at(x, y) == (uint32_t)colour;
        return n;
    }
};

class Renderer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!system_driver)
            install_allegro(SYSTEM_NONE, &errno, atexit);
        set_color_depth(32);
        ASSERT_TRUE(load_font_datafile(VEMORA_BUILD_DIR "/fonts.dat"));
        text_font = font;
        small_font = font_5x6;
        medium_font = font_7x8;
    }
    void SetUp() override { use_screen(640, 480); }
    void TearDown() override
    {
        destroy_bitmap(page_buffer);
        page_buffer = nullptr;
    }

    static void use_screen(int w, int h)
    {
        if (page_buffer)
            destroy_bitmap(page_buffer);
        page_buffer = create_bitmap(w, h);
        compute_layout(w, h);
    }

    static Page draw(bool straightforward = false)
    {
        draw_every_segment = straightforward;
        draw_view();
        draw_every_segment = false;
        Page page{{}, page_buffer->w};
        for (int y = 0; y < page_buffer->h; y++)
            page.pixels.insert(page.pixels.end(), (uint32_t*)page_buffer->line[y],
                               (uint32_t*)page_buffer->line[y] + page_buffer->w);
        return page;
    }

    static void expect_both_ways_equal(const char* what)
    {
        Page fast = draw(), slow = draw(true);
        auto diff = std::mismatch(fast.pixels.begin(), fast.pixels.end(), slow.pixels.begin()).first;
        size_t i = (size_t)(diff - fast.pixels.begin());
        EXPECT_EQ(i, fast.pixels.size()) << what << ": first difference at (" << i % fast.w << ", " << i / fast.w
                                         << ")";
        EXPECT_GT(fast.count(makecol(255, 0, 0), 0, 0, fast.w - 1, page_buffer->h - 1), 0) << what;
    }
};

// The largest legal track: curved and straight sections of varied length, every trace
// with its own heights.
void largest_track()
{
    reset_track_model();
    num_sections = 4095;
    num_traces = 16;
    for (int t = 0; t < num_traces; t++)
        trace_offset[t] = -7.5f + t;
    for (int s = 0; s < num_sections; s++) {
        section_length[s] = 40000 + (s * 7919) % 90000;
        section_radius[s] = s % 3 ? 0.0f : 80.0f + s % 50;
        for (int t = 0; t < num_traces; t++)
            trace_point[s][t] = {(s * 331 + t * 977) % 400000 - 200000, (s * 17 + t) % 9001 - 4500,
                                 (s * 29 + t * 3) % 3001 - 1500, (s * 13) % 2001 - 1000};
    }
    centre_trace = 7;
    compute_trace_lengths();
    show_angles = 1;
}

TEST_F(Renderer, FastDrawingEqualsStraightforward)
{
    for (int w : {640, 1600}) {
        use_screen(w, w * 3 / 4);
        load_demo_track();
        expect_both_ways_equal("demo, whole track");
        first_section = 3;
        last_section = 5;
        selected_section = 4;
        selected_trace = 1;
        expect_both_ways_equal("demo, three sections");
        largest_track();
        expect_both_ways_equal("largest track");
        selected_trace = 2;
        first_section = 4000;
        height_bottom = -3;
        height_top = 3;
        expect_both_ways_equal("largest track, last sections");
    }
}

// Extreme heights, or an almost empty height range, send lines millions of pixels away:
// they must be clipped rather than walked, and nothing may break.
TEST_F(Renderer, LinesFarOffThePanelDrawQuickly)
{
    auto start = std::chrono::steady_clock::now();
    load_demo_track();
    height_top = height_bottom + 1e-6f;
    expect_both_ways_equal("almost empty height range");
    height_top = height_bottom;
    expect_both_ways_equal("empty height range");
    largest_track();
    for (int s = 0; s < num_sections; s += 2)
        for (int t = 0; t < num_traces; t++)
            trace_point[s][t] = {s % 4 ? INT32_MAX : INT32_MIN, INT32_MIN, INT32_MAX, s % 3 ? INT32_MIN : 0};
    height_bottom = -1;
    height_top = 1;
    expect_both_ways_equal("extreme heights");
    height_bottom = -1e30f;
    height_top = 1e30f;
    expect_both_ways_equal("extreme height range");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
}

TEST_F(Renderer, FramesTicksAndTracesInTheirColours)
{
    load_demo_track();
    height_bottom = -3;
    height_top = 3;
    Page page = draw();
    const int grey = makecol(211, 211, 211), yellow = makecol(255, 255, 0), white = makecol(255, 255, 255);

    // Cross-section frame on the panel's edges; its contents may cover a few pixels.
    int cl = cross_left, cr = cross_left + cross_width, cb = cross_bottom, ct = cross_bottom + cross_height;
    EXPECT_GT(page.count(grey, cl, cb, cr, cb), cross_width * 9 / 10);
    EXPECT_GT(page.count(grey, cl, ct, cr, ct), cross_width * 9 / 10);
    EXPECT_GT(page.count(grey, cl, ct, cl, cb), -cross_height * 9 / 10);
    EXPECT_GT(page.count(grey, cr, ct, cr, cb), -cross_height * 9 / 10);

    // Profile frame one pixel outside the plot on the left, top and bottom, uncovered.
    int pl = profile_left, pr = profile_left + profile_width, pb = profile_bottom, pt = profile_bottom + profile_height;
    EXPECT_EQ(page.count(grey, pl - 1, pb + 1, pr, pb + 1), profile_width + 2);
    EXPECT_EQ(page.count(grey, pl - 1, pt - 1, pr, pt - 1), profile_width + 2);
    EXPECT_EQ(page.count(grey, pl - 1, pt, pl - 1, pb), -profile_height + 1);
    EXPECT_EQ(page.at(pl - 1, pt - 2), 0u);

    // Heights -3..3: majors at -2, 0 and 2 reach five columns left of the panel, minors
    // every 0.5 m reach two, and the top value 3 gets no tick.
    for (float v = -3; v < 3; v += 0.5f) {
        EXPECT_EQ(page.at(pl - 2, height_to_y(v)), (uint32_t)grey) << v;
        EXPECT_EQ(page.at(pl - 5, height_to_y(v)) == (uint32_t)grey, v == -2 || v == 0 || v == 2) << v;
    }
    EXPECT_NE(page.at(pl - 2, height_to_y(3)), (uint32_t)grey);

    // The selected centre line is yellow over the red traces; another selected trace is white.
    ASSERT_EQ(selected_trace, centre_line_trace);
    zoom_to_fit();
    page = draw();
    EXPECT_GT(page.count(yellow, pl, pt, pr, pb), profile_width);
    selected_trace = 0;
    show_angles = 0; // the only other white inside the panel
    page = draw();
    EXPECT_EQ(page.count(yellow, 0, 0, page.w - 1, page_buffer->h - 1), 0);
    EXPECT_GT(page.count(white, pl, pt, pr, pb), profile_width);
}

// Switching the angles on changes only pixels in the two label rows, and turns them white.
TEST_F(Renderer, AngleLabelsOnlyWhenShown)
{
    load_demo_track();
    show_angles = 0;
    Page without = draw();
    show_angles = 1;
    Page with = draw();
    int th = text_height(small_font), changed_profile = 0, changed_cross = 0;
    int profile_row = height_to_y(height_top - 0.1f * (height_top - height_bottom));
    int cross_row = cross_height_to_y(cross_alt_max - 0.1f * (cross_alt_max - cross_alt_min));
    for (int y = 0; y < page_buffer->h; y++)
        for (int x = 0; x < with.w; x++) {
            if (with.at(x, y) == without.at(x, y))
                continue;
            ASSERT_EQ(with.at(x, y), (uint32_t)makecol(255, 255, 255)) << x << ", " << y;
            bool in_profile = y >= profile_row && y < profile_row + th && x >= profile_left;
            bool in_cross = y >= cross_row && y < cross_row + th && x >= cross_left;
            ASSERT_TRUE(in_profile || in_cross) << x << ", " << y;
            (in_profile ? changed_profile : changed_cross)++;
        }
    EXPECT_GT(changed_profile, 100);
    EXPECT_GT(changed_cross, 20);
}

// The profile ends at the last sample point, 15/16 into the last section, not at its end;
// traces all at one height get a cross-section range of 0.1 m either side.
TEST_F(Renderer, WritesTheEightValueRanges)
{
    load_demo_track();
    first_section = 10;
    last_section = 12;
    first_trace = 1;
    last_trace = 4;
    height_bottom = -2;
    height_top = 7;
    selected_section = 20;
    for (int i = 0; i < num_traces; i++)
        trace_point[20][i].height = 19685;
    draw();
    int t = selected_trace;
    EXPECT_FLOAT_EQ(profile_dist_min, (float)(trace_start[10][t] / UNITS_PER_METRE));
    EXPECT_FLOAT_EQ(profile_dist_max,
                    (float)((int32_t)(trace_start[12][t] + 15.0 / 16 * trace_length[12][t]) / UNITS_PER_METRE));
    EXPECT_EQ(profile_alt_min, -2.0f);
    EXPECT_EQ(profile_alt_max, 7.0f);
    EXPECT_FLOAT_EQ(cross_offset_min, trace_offset[1] - 1.0f);
    EXPECT_FLOAT_EQ(cross_offset_max, trace_offset[4] + 1.0f);
    EXPECT_FLOAT_EQ(cross_alt_min, 0.9f);
    EXPECT_FLOAT_EQ(cross_alt_max, 1.1f);
}

} // namespace
