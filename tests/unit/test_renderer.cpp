// Drawing off screen: the clipped line gives exactly the library's pixels, the fast profile exactly
// the reference's, and a deep zoom crosses where the mapping puts it (the rest is in the golden frames).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "display/lines.h"
#include "display/panel.h"
#include "display/renderer.h"
#include "reference_profile.h"
#include "support.h"
#include "track/lengths.h"

// Both lines in exclusive-or (a pixel plotted twice or missed shows) under one clip, all or a random part; and,
// solid, the polyline from the first end through a point straight below it to the second.
static bool same_line(std::mt19937& rng, int x1, int y1, int x2, int y2, int colour)
{
    static BITMAP *ours = create_bitmap(64, 48), *library = create_bitmap(64, 48);
    const int all = rng() % 4 == 0, l = rng() % 20, t = rng() % 16, r = l + rng() % (64 - l), b = t + rng() % (48 - t);
    const int32_t xs[] = {x1, x1, x2}, ys[] = {y1, y1 + 9, y2};
    bool same = true;
    for (int solid = 0; solid < 2; solid++) {
        xor_mode(!solid);
        for (BITMAP* bitmap : {ours, library})
            clear_to_color(bitmap, 0x55), set_clip_rect(bitmap, all ? 0 : l, all ? 0 : t, all ? 63 : r, all ? 47 : b);
        if (solid)
            draw_polyline(ours, xs, ys, 3, colour), line(library, x1, y1, x1, y1 + 9, colour);
        else
            draw_line(ours, x1, y1, x2, y2, colour);
        line(library, x1, solid ? y1 + 9 : y1, x2, y2, colour); // the polyline's second segment, or the whole line
        same = same && std::memcmp(ours->dat, library->dat, 64 * 48 * 4) == 0;
    }
    solid_mode();
    return same;
}

// Any length out to the mapping's limit 2^24 (a few: the library steps every pixel), level and upright ones among them.
TEST(Drawing, LinesMatchTheLibrary)
{
    start_drawing(640, 480);
    std::mt19937 rng(5);
    auto span = [&](int bits) { return rng() % 5 ? (int)(rng() % (1u << rng() % bits)) * (rng() % 2 ? 1 : -1) : 0; };
    for (int i = 0; i < 4000; i++) {
        const int bits = i < 40 ? 25 : 14, x = (int)(rng() % 96) - 16, y = (int)(rng() % 96) - 16, colour = i % 200 + 1;
        const int dx = span(bits), dy = span(bits), x1 = x - i % 2 * dx, y1 = y - i % 2 * dy, x2 = x + dx, y2 = y + dy;
        ASSERT_TRUE(same_line(rng, x1, y1, x2, y2, colour) && same_line(rng, x2, y2, x1, y1, colour)) << i;
    }
}

static std::string paint(void (*paint_profile)(const Frame&))
{
    Frame f;
    clear_bitmap(page_buffer), clip_to(page_buffer, profile_panel);
    if (compute_frame(&f))
        paint_profile(f);
    release_frame(&f);
    const int bytes = page_buffer->w * page_buffer->h * bitmap_color_depth(page_buffer) / 8;
    return std::string((const char*)page_buffer->dat, bytes);
}

// At 160 pixels start lines and many points share a column (thinned); lines millions of rows away; odd ranges;
// in 32 bits, where pixels go straight to memory, and in 16, where the library plots them.
TEST(Drawing, ProfileEqualsTheReference)
{
    const std::pair<const char*, void (*)()> views[] = {
        {"demo", load_demo_track},
        {"three sections", [] { first_section = 3, last_section = 5, selected_section = 4, selected_trace = 1; }},
        {"beyond reach", [] { zoom_to_fit(), show_angles = 0, height_bottom = 17, height_top = 17.00001f; }},
        {"empty height range", [] { height_top = height_bottom; }},
        {"extreme height range", [] { height_bottom = -1e30f, height_top = 1e30f; }},
    };
    for (int depth : {32, 16}) {
        start_drawing(160, 120, depth);
        for (auto& view : views) {
            view.second();
            const std::string fast = paint(paint_profile_lines);
            EXPECT_TRUE(fast == paint(reference_profile_lines)) << view.first << " " << depth;
            EXPECT_GT(fast.size() - std::count(fast.begin(), fast.end(), '\0'), 100u) << view.first;
        }
    }
}

// Heights 0 .. 1e-5 m put a segment's ends 10^7 and 10^8 rows off; it must still cross the middle row
// where the uncapped line does (some seven columns from the capped one), in the view and via profile_line.
TEST(Drawing, DeepZoomLinesCrossWhereTheMappingPutsThem)
{
    start_drawing(640, 480), fresh_model(2, 1);
    for (int s = 0; s < 2; s++) // 1 m a metre, 0 at 50.5 m
        section_length[s] = 100 * 19685, trace_point[s][0] = {(100 * s - 50) * 19685 - 19685 / 2, 100 * 19685, 0, 0};
    compute_trace_lengths(), height_bottom = 0, height_top = 1e-5f;
    const int yellow = makecol(255, 255, 0), row = 456 - 288 / 2;
    // Points 8 and 9 (50 m at -0.5 m, 56.25 m at 5.75 m) map uncapped to (180, 14400456) and (199, -165599548).
    const double crossing = 180 + 19 * (14400456.0 - row) / (14400456.0 + 165599548);
    for (int through_profile_line = 0; through_profile_line < 2; through_profile_line++) {
        draw_view();
        if (through_profile_line)
            clear_bitmap(page_buffer), profile_line(page_buffer, 50, -0.5, 56.25, 5.75, yellow);
        int drawn = -1;
        for (int c = 32; c <= 32 + 576; c++)
            drawn = getpixel(page_buffer, c, row) == yellow ? c : drawn;
        EXPECT_NEAR(drawn, crossing, 1.0) << through_profile_line;
    }
    // A segment with one end beyond reach runs from or to its other end, not a pixel further.
    clear_bitmap(page_buffer), set_clip_rect(page_buffer, 0, 0, 639, 479);
    draw_between(page_buffer, 100, 100, 100, 1e9, yellow), draw_between(page_buffer, 200, -1e9, 200, 100, yellow);
    EXPECT_EQ(std::vector<int>({getpixel(page_buffer, 100, 99), getpixel(page_buffer, 100, 100),
                                getpixel(page_buffer, 200, 100), getpixel(page_buffer, 200, 101)}),
              std::vector<int>({0, yellow, yellow, 0}));
}

