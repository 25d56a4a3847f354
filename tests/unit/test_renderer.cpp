// Drawing off screen. The clipped line gives exactly the pixels of the library's own `line`
// (every octant and direction, any clip, solid and exclusive-or); the renderer's profile gives
// exactly the pixels of the straightforward reference; the frame step and column thinning.

#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "display/frame.h"
#include "display/graphics.h"
#include "display/layout.h"
#include "display/lines.h"
#include "display/renderer.h"
#include "display/view.h"
#include "reference_profile.h"
#include "support.h"
#include "track/lengths.h"
#include "track/model.h"

namespace {

class Drawing : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!system_driver)
            install_allegro(SYSTEM_NONE, &errno, atexit);
        set_color_depth(32);
        ASSERT_TRUE(load_font_datafile(VEMORA_BUILD_DIR "/fonts.dat"));
        text_font = font, small_font = font_5x6, medium_font = font_7x8;
    }
    void SetUp() override { page_buffer = create_bitmap(640, 480), compute_layout(640, 480); }
    void TearDown() override { destroy_bitmap(page_buffer), page_buffer = nullptr; }
};

// Draws into two cleared bitmaps with the same clip, the whole bitmap or a random part of
// it: with the library (ours false) and with ours. Tells whether they are equal.
bool same_pixels(int depth, std::mt19937& rng, const std::function<void(BITMAP*, bool ours)>& draw)
{
    const int W = 64, H = 48, l = rng() % 20, t = rng() % 16, r = l + rng() % (W - l), b = t + rng() % (H - t);
    bool whole = rng() % 4 == 0, same = true;
    BITMAP* bitmaps[2] = {create_bitmap_ex(depth, W, H), create_bitmap_ex(depth, W, H)};
    for (BITMAP* bitmap : bitmaps) {
        clear_to_color(bitmap, 0x55); // not black, so that exclusive-or shows
        set_clip_rect(bitmap, whole ? 0 : l, whole ? 0 : t, whole ? W - 1 : r, whole ? H - 1 : b);
        draw(bitmap, bitmap == bitmaps[1]);
    }
    for (int y = 0; y < H; y++)
        same = same && std::memcmp(bitmaps[0]->line[y], bitmaps[1]->line[y], W * ((depth + 7) / 8)) == 0;
    destroy_bitmap(bitmaps[0]), destroy_bitmap(bitmaps[1]);
    return same;
}

// Short lines about the bitmap, lines reaching a few thousand pixels out, exactly
// horizontal and vertical ones, and lines through the bitmap at any slope out to the
// mapping's limit 2^24; each drawn in both directions. Under exclusive-or a pixel plotted
// twice or missed shows. A polyline that dwells in one column for many points, as a
// whole-track profile does, looks exactly like its segments drawn one by one.
TEST_F(Drawing, LinesAndPolylinesMatchTheLibrary)
{
    const int runs[][3] = {{32, 0, 2000}, {32, 1, 1000}, {8, 0, 500}, {16, 1, 500}}; // depth, exclusive-or, lines
    for (auto& run : runs) {
        std::mt19937 rng(run[0] + run[1]);
        auto near = [&] { return (int)(rng() % 96) - 16; };
        auto far = [&] { return (int)(rng() % 6001) - 3000; };
        for (int i = 0; i < run[2]; i++) {
            int kind = i < 3 ? 4 : rng() % 4, x1 = near(), y1 = near();
            int x2 = kind == 3 ? x1 : kind ? far() : near(), y2 = kind == 2 ? y1 : kind ? far() : near();
            if (kind == 4) {
                int a = rng() % (1 << 24), b = (int)(rng() % (1 << (rng() % 25))) * (rng() % 2 ? 1 : -1);
                int dx = i % 2 ? a : b, dy = i % 2 ? b : a;
                x2 = x1 + dx, y2 = y1 + dy, x1 -= dx, y1 -= dy;
            }
            int colour = rng() % 200 + 1;
            for (int reversed = 0; reversed < 2; reversed++) {
                std::swap(x1, x2), std::swap(y1, y2);
                ASSERT_TRUE(same_pixels(run[0], rng, [&](BITMAP* b, bool ours) {
                    xor_mode(run[1]);
                    (ours ? draw_line : line)(b, x1, y1, x2, y2, colour);
                    solid_mode();
                })) << "(" << x1 << ", " << y1 << ") to (" << x2 << ", " << y2 << ") depth " << run[0];
            }
        }
    }
    std::mt19937 rng(5);
    for (int round = 0; round < 300; round++) {
        int n = 2 + rng() % 200, x = rng() % 80 - 8, y = rng() % 60 - 6;
        std::vector<int32_t> xs(n), ys(n);
        for (int i = 0; i < n; i++) {
            xs[i] = x += rng() % 3 ? 0 : rng() % 8 ? (int)(rng() % 3) - 1 : (int)(rng() % 41) - 20;
            ys[i] = y += rng() % 8 ? (int)(rng() % 11) - 5 : (int)(rng() % 4001) - 2000;
        }
        ASSERT_TRUE(same_pixels(32, rng, [&](BITMAP* b, bool ours) {
            for (int i = 0; !ours && i + 1 < n; i++)
                line(b, xs[i], ys[i], xs[i + 1], ys[i + 1], 0xabcdef);
            if (ours)
                draw_polyline(b, xs.data(), ys.data(), n, 0xabcdef);
        })) << "polyline " << round;
    }
}

// Heights that vary inside every section, and with `extreme` every other section at the ends
// of the 32-bit range; 4095 sections of 16 traces.
void largest_track(bool extreme)
{
    reset_track_model();
    num_sections = 4095, num_traces = 16, centre_trace = 7;
    for (int s = 0; s < num_sections; s++) {
        section_length[s] = 40000 + (s * 7919) % 90000, section_radius[s] = s % 3 ? 0.0f : 80.0f + s % 50;
        for (int t = 0; t < num_traces; t++) {
            trace_offset[t] = -7.5f + t;
            trace_point[s][t] = {(s * 331 + t * 977) % 400000 - 200000, (s * 17 + t) % 9001 - 4500,
                                 (s * 29 + t * 3) % 3001 - 1500, (s * 13) % 2001 - 1000};
            if (extreme && s % 2 == 0)
                trace_point[s][t] = {s % 4 ? INT32_MAX : INT32_MIN, INT32_MIN, INT32_MAX, s % 3 ? INT32_MIN : 0};
        }
    }
    compute_trace_lengths();
}

std::vector<uint32_t> paint(void (*paint_profile)(const Frame&))
{
    Frame f;
    clear_bitmap(page_buffer);
    clip_to_profile(page_buffer);
    if (compute_frame(&f))
        paint_profile(f);
    release_frame(&f);
    auto first = (uint32_t*)page_buffer->line[0];
    return std::vector<uint32_t>(first, first + page_buffer->w * page_buffer->h);
}

// The demo whole and zoomed, the largest track whole and at its end, extreme heights and
// height ranges that send lines millions of pixels away, an empty height range.
TEST_F(Drawing, ProfileEqualsTheReference)
{
    const std::pair<const char*, void (*)()> views[] = {
        {"demo", load_demo_track},
        {"demo, three sections", [] { first_section = 3, last_section = 5, selected_section = 4, selected_trace = 1; }},
        {"empty height range", [] { height_top = height_bottom; }},
        {"largest track", [] { largest_track(false); }},
        {"last sections", [] { first_section = 4000, selected_trace = 2, height_bottom = -3, height_top = 3; }},
        {"extreme heights", [] { largest_track(true), show_angles = 0, height_bottom = -1, height_top = 1; }},
        {"extreme height range", [] { height_bottom = -1e30f, height_top = 1e30f; }},
    };
    for (int w : {640, 1600}) {
        destroy_bitmap(page_buffer), page_buffer = create_bitmap(w, w * 3 / 4), compute_layout(w, w * 3 / 4);
        for (auto& view : views) {
            view.second();
            const std::vector<uint32_t> fast = paint(paint_profile_lines);
            EXPECT_TRUE(fast == paint(reference_profile_lines)) << view.first << " " << w;
            EXPECT_GT(fast.size() - std::count(fast.begin(), fast.end(), 0u), 500u) << view.first << " " << w;
        }
    }
}

// The frame of a two-section straight track of 10 m sections: 16 points a section along the
// selected trace, heights, and the ranges of both panels.
TEST_F(Drawing, FrameStep)
{
    fresh_model(2, 3);
    for (int s = 0; s < 2; s++) {
        section_length[s] = 10 * 19685;
        for (int t = 0; t < 3; t++)
            trace_point[s][t] = {19685 * (s + t), 19685 * 16, 0, 0}; // rising 1 m a point
    }
    compute_trace_lengths();
    selected_section = 1, first_trace = 1;
    Frame f;
    ASSERT_TRUE(compute_frame(&f));
    EXPECT_TRUE(f.points == 32 && f.runs == 32);
    EXPECT_FLOAT_EQ(f.distances[17], 209153 / 19685.0f); // 10 m and 1/16 of 10 m, in whole track units
    EXPECT_FLOAT_EQ(f.heights[2 * 32 + 17], 4.0f);
    const float ranges[] = {profile_dist_min, profile_dist_max, profile_alt_min, profile_alt_max,
                            cross_offset_min, cross_offset_max, cross_alt_min, cross_alt_max};
    const float expected[] = {0.0f, 381396 / 19685.0f, -1.0f, 4.0f, 0.0f, 3.0f, 1.8f, 3.2f};
    for (int i = 0; i < 8; i++)
        EXPECT_FLOAT_EQ(ranges[i], expected[i]) << i;
    release_frame(&f);
}

// A height range of 0 .. 1e-5 m puts the ends of a segment through the panel 10^7 and 10^8 rows
// off it. The drawn segment crosses the middle row where the line between the uncapped
// positions does (capped, some seven columns away), both in the view and through profile_line.
TEST_F(Drawing, DeepZoomLinesCrossWhereTheMappingPutsThem)
{
    fresh_model(2, 1);
    section_length[0] = section_length[1] = 100 * 19685;
    trace_point[0][0] = {-50 * 19685 - 19685 / 2, 100 * 19685, 0, 0}; // 1 m a metre, 0 at 50.5 m
    trace_point[1][0] = {50 * 19685 - 19685 / 2, 100 * 19685, 0, 0};
    compute_trace_lengths();
    height_bottom = 0, height_top = 1e-5f;
    const int yellow = makecol(255, 255, 0), row = 456 - 288 / 2;
    const double d1 = 50, h1 = -0.5, d2 = 56.25, h2 = 5.75; // sample points 8 and 9
    for (int through_profile_line = 0; through_profile_line < 2; through_profile_line++) {
        draw_view();
        if (through_profile_line)
            clear_bitmap(page_buffer), profile_line(page_buffer, d1, h1, d2, h2, yellow);
        // The mapping's truncated positions, without the cap at 2^24.
        auto x = [](double d) { return std::trunc(d / profile_dist_max * 576 + 32); };
        auto y = [](double h) { return std::trunc(h / 1e-5f * -288 + 456); };
        double crossing = x(d1) + (y(h1) - row) / (y(h1) - y(h2)) * (x(d2) - x(d1));
        int drawn = -1;
        for (int c = 32; c <= 32 + 576; c++)
            drawn = getpixel(page_buffer, c, row) == yellow ? c : drawn;
        EXPECT_NEAR(drawn, crossing, 1.0) << through_profile_line;
    }
}

TEST(ColumnThinning, KeepsTheEndsAndTheExtremes)
{
    const std::vector<std::vector<float>> runs = {{5}, {1, 9, 2, 8}, {3, 1, 7, 4, 9, 0, 2}};
    const std::vector<std::vector<float>> kept = {{5}, {1, 9, 2, 8}, {3, 0, 9, 2}};
    for (size_t i = 0; i < runs.size(); i++) {
        float out[4];
        int n = thin_column(runs[i].data(), (int)runs[i].size(), out);
        EXPECT_EQ(std::vector<float>(out, out + n), kept[i]) << i;
    }
}

} // namespace
