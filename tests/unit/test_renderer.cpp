// Drawing off screen: the clipped line gives exactly the library's pixels, the renderer's fast
// profile exactly the straightforward reference's; the frame step, column thinning, and which
// fonts.dat the editor loads.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "display/layout.h"
#include "display/lines.h"
#include "display/renderer.h"
#include "reference_profile.h"
#include "support.h"
#include "track/lengths.h"

// The library without a display, the fonts, and a page buffer of w by 3/4 w pixels.
static void start_drawing(int w)
{
    if (!system_driver)
        install_allegro(SYSTEM_NONE, &errno, atexit);
    set_color_depth(32);
    ASSERT_TRUE(fonts_datafile || load_font_datafile(VEMORA_BUILD_DIR "/fonts.dat"));
    text_font = font, small_font = font_5x6, medium_font = font_7x8;
    destroy_bitmap(page_buffer), page_buffer = create_bitmap(w, w * 3 / 4), compute_layout(w, w * 3 / 4);
}

// Draws the line with the library and with ours, in exclusive-or (a pixel plotted twice or
// missed shows), into two 64 x 48 bitmaps under one clip: all of it or a random part.
static bool same_line(std::mt19937& rng, int x1, int y1, int x2, int y2, int colour)
{
    static BITMAP* bitmaps[2] = {create_bitmap(64, 48), create_bitmap(64, 48)};
    const int all = rng() % 4 == 0, l = rng() % 20, t = rng() % 16, r = l + rng() % (64 - l), b = t + rng() % (48 - t);
    xor_mode(TRUE);
    for (BITMAP* bitmap : bitmaps) {
        clear_to_color(bitmap, 0x55);
        set_clip_rect(bitmap, all ? 0 : l, all ? 0 : t, all ? 63 : r, all ? 47 : b);
        (bitmap == bitmaps[1] ? draw_line : line)(bitmap, x1, y1, x2, y2, colour);
    }
    solid_mode();
    return std::memcmp(bitmaps[0]->dat, bitmaps[1]->dat, 64 * 48 * 4) == 0;
}

// Lines from or through a point near the bitmap, of any length out to the mapping's limit 2^24
// (only a few: the library steps through every pixel), exactly horizontal and vertical ones among
// them; each drawn both ways.
TEST(Drawing, LinesMatchTheLibrary)
{
    start_drawing(640);
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
    clear_bitmap(page_buffer), clip_to_profile(page_buffer);
    if (compute_frame(&f))
        paint_profile(f);
    release_frame(&f);
    return std::string((const char*)page_buffer->dat, page_buffer->w * page_buffer->h * 4);
}

// The demo whole (at 160 pixels several start lines and many points share a column) and zoomed,
// heights that put lines millions of rows away, an empty and an extreme height range.
TEST(Drawing, ProfileEqualsTheReference)
{
    const std::pair<const char*, void (*)()> views[] = {
        {"demo", load_demo_track},
        {"three sections", [] { first_section = 3, last_section = 5, selected_section = 4, selected_trace = 1; }},
        {"beyond reach", [] { zoom_to_fit(), show_angles = 0, height_bottom = 17, height_top = 17.00001f; }},
        {"empty height range", [] { height_top = height_bottom; }},
        {"extreme height range", [] { height_bottom = -1e30f, height_top = 1e30f; }},
    };
    start_drawing(160);
    for (auto& view : views) {
        view.second();
        const std::string fast = paint(paint_profile_lines);
        EXPECT_TRUE(fast == paint(reference_profile_lines)) << view.first;
        EXPECT_GT(fast.size() - std::count(fast.begin(), fast.end(), '\0'), 100u) << view.first;
    }
}

// Two straight 10 m sections rising 1 m a point: 16 points a section along the selected trace,
// and the ranges of both panels.
TEST(Drawing, FrameStep)
{
    start_drawing(640);
    fresh_model(2, 3);
    for (int s = 0; s < 2; s++)
        for (int t = 0; t < 3; t++)
            section_length[s] = 10 * 19685, trace_point[s][t] = {19685 * (s + t), 19685 * 16, 0, 0};
    compute_trace_lengths();
    selected_section = 1, first_trace = 1;
    Frame f;
    ASSERT_TRUE(compute_frame(&f));
    EXPECT_EQ((std::vector<float>{(float)f.points, (float)f.runs, f.distances[17], f.heights[2 * 32 + 17],
                                  profile_dist_min, profile_dist_max, profile_alt_min, profile_alt_max,
                                  cross_offset_min, cross_offset_max, cross_alt_min, cross_alt_max}),
              // 10 m and 1/16 of 10 m, in whole track units; the panels' ranges
              (std::vector<float>{32, 32, 209153 / 19685.0f, 4, 0, 381396 / 19685.0f, -1, 4, 0, 3, 1.8f, 3.2f}));
    release_frame(&f);
}

// A height range of 0 .. 1e-5 m puts the ends of a segment 10^7 and 10^8 rows off the panel. The
// drawn segment crosses the middle row where the line between the uncapped positions does (some
// seven columns from the capped one), in the view and through profile_line.
TEST(Drawing, DeepZoomLinesCrossWhereTheMappingPutsThem)
{
    start_drawing(640);
    fresh_model(2, 1);
    for (int s = 0; s < 2; s++) // 1 m a metre, 0 at 50.5 m
        section_length[s] = 100 * 19685, trace_point[s][0] = {(100 * s - 50) * 19685 - 19685 / 2, 100 * 19685, 0, 0};
    compute_trace_lengths();
    height_bottom = 0, height_top = 1e-5f;
    const int yellow = makecol(255, 255, 0), row = 456 - 288 / 2;
    // Sample points 8 and 9 (50 m at -0.5 m, 56.25 m at 5.75 m) map, truncated and without the cap
    // at 2^24, to (180, 14400456) and (199, -165599548); the line between them crosses the row at:
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
}

// A column's run of more than four points is thinned to its first, lowest, highest and last heights.
TEST(ColumnThinning, KeepsTheEndsAndTheExtremes)
{
    float heights[] = {3, 1, 7, 4, 9, 0, 2}, out[4];
    EXPECT_EQ(std::vector<float>(out, out + thin_column(heights, 7, out)), (std::vector<float>{3, 0, 9, 2}));
}

// The working directory's fonts.dat wins over the installed one (whose absolute path the
// installed package's test checks); with neither, loading the first fails as it always did.
TEST(FontLookup, WorkingDirectoryWinsThenInstalledCopy)
{
    EXPECT_STREQ(choose_fonts_path(true, true), "fonts.dat");
    EXPECT_STREQ(choose_fonts_path(false, true), installed_fonts_path);
    EXPECT_STREQ(choose_fonts_path(false, false), "fonts.dat");
}
