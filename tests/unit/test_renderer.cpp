// Drawing off screen. The clipped line routine gives exactly the pixels of the library's
// own `line` (every octant and direction, any clip rectangle, any drawing mode); the fast
// drawing of the view gives the same page as the straightforward one, quickly even for
// lines reaching far off the panel; frames, colours and labels stand where they should.

#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "display/graphics.h"
#include "display/layout.h"
#include "display/lines.h"
#include "display/renderer.h"
#include "display/view.h"
#include "support.h"
#include "track/lengths.h"
#include "track/model.h"

namespace {

using Page = std::vector<uint32_t>;

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

Page draw(bool straightforward = false)
{
    draw_every_segment = straightforward;
    draw_view();
    draw_every_segment = false;
    auto first = (uint32_t*)page_buffer->line[0];
    return Page(first, first + page_buffer->w * page_buffer->h);
}

// The largest legal track: curved and straight sections of varied length, every trace
// with its own heights, with `extreme` every other section at the ends of the range; the
// view shows all of it.
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

// The demo whole and zoomed, the largest track whole and at its end, and extreme heights
// or an almost empty height range, which send lines millions of pixels away: those must be
// clipped rather than walked, and nothing may break. Both ways give the same page, with
// red traces on it.
TEST_F(Drawing, FastViewEqualsStraightforward)
{
    const std::pair<const char*, void (*)()> views[] = {
        {"demo", load_demo_track},
        {"demo, three sections", [] { first_section = 3, last_section = 5, selected_section = 4, selected_trace = 1; }},
        {"almost empty height range", [] { height_top = height_bottom + 1e-6f; }},
        {"empty height range", [] { height_top = height_bottom; }},
        {"largest track", [] { largest_track(false); }},
        {"last sections", [] { first_section = 4000, selected_trace = 2, height_bottom = -3, height_top = 3; }},
        {"extreme heights", [] { largest_track(true), height_bottom = -1, height_top = 1; }},
        {"extreme height range", [] { height_bottom = -1e30f, height_top = 1e30f; }},
    };
    for (int w : {640, 1600}) {
        destroy_bitmap(page_buffer), page_buffer = create_bitmap(w, w * 3 / 4), compute_layout(w, w * 3 / 4);
        for (auto& view : views) {
            auto start = std::chrono::steady_clock::now();
            view.second();
            Page fast = draw();
            EXPECT_TRUE(fast == draw(true)) << view.first << " " << w;
            EXPECT_GT(std::count(fast.begin(), fast.end(), (uint32_t)makecol(255, 0, 0)), 0) << view.first << " " << w;
            auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            EXPECT_LT(seconds, 2.0) << view.first << " " << w;
        }
    }
}

int count(int colour, int x1, int y1, int x2, int y2)
{
    int n = 0;
    for (int y = y1; y <= y2; y++)
        for (int x = x1; x <= x2; x++)
            n += getpixel(page_buffer, x, y) == colour;
    return n;
}

// The cross-section frame lies on the panel's edges, where its contents may cover a few
// pixels; the profile frame one pixel outside the plot on the left, top and bottom. The
// selected trace is yellow when it is the centre line, else white. The angle labels, white,
// fill their rows only when shown.
TEST_F(Drawing, FramesColoursAndAngleLabels)
{
    const int grey = makecol(211, 211, 211), yellow = makecol(255, 255, 0), white = makecol(255, 255, 255);
    load_demo_track();
    draw();
    int cl = cross_left, cr = cl + cross_width, cb = cross_bottom, ct = cb + cross_height;
    int cw = cross_width * 9 / 10, ch = -cross_height * 9 / 10;
    int pl = profile_left - 1, pr = profile_left + profile_width, pb = profile_bottom, pt = pb + profile_height;
    const int edges[][5] = {{cl, cb, cr, cb, cw}, {cl, ct, cr, ct, cw}, {cl, ct, cl, cb, ch}, {cr, ct, cr, cb, ch},
                            {pl, pb + 1, pr, pb + 1, pr - pl + 1}, {pl, pt - 1, pr, pt - 1, pr - pl + 1},
                            {pl, pt, pl, pb, pb - pt + 1}};
    for (auto& e : edges)
        EXPECT_GE(count(grey, e[0], e[1], e[2], e[3]), e[4]) << e[0] << "," << e[1] << " - " << e[2] << "," << e[3];
    EXPECT_GT(count(yellow, pl, pt, pr, pb), profile_width);
    int profile_row = height_to_y(height_top - 0.1f * (height_top - height_bottom)), rows = text_height(small_font);
    int cross_row = cross_height_to_y(cross_alt_max - 0.1f * (cross_alt_max - cross_alt_min)), w = page_buffer->w;
    auto white_in_label_rows = [&](int shown) {
        show_angles = shown;
        draw();
        return std::make_pair(count(white, pl, profile_row, w - 1, profile_row + rows - 1),
                              count(white, cl, cross_row, w - 1, cross_row + rows - 1));
    };
    auto on = white_in_label_rows(1), off = white_in_label_rows(0);
    EXPECT_TRUE(on.first > off.first + 100 && on.second > off.second + 20) << on.first << " " << off.first;
    selected_trace = 0;
    draw();
    EXPECT_EQ(count(yellow, 0, 0, w - 1, page_buffer->h - 1), 0);
    EXPECT_GT(count(white, pl, pt, pr, pb), profile_width);
}

} // namespace
