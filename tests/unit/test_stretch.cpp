// Keys l and s: levelling and smoothing the shown stretch on hand-computed stretches, with their messages and
// undo, and the joins they leave on the demo.
#include <allegro.h>
#include <array>
#include <cstring>
#include <gtest/gtest.h>

#include "commands/check.h"
#include "commands/keys.h"
#include "display/graphics.h"
#include "display/messages.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/flags.h"
#include "support.h"
#include "track/hermite.h"
#include "track/history.h"
#include "track/lengths.h"

namespace {

using Boundaries = std::array<int32_t, 8>; // heights or start slopes at boundaries 0..7 (8 is 0 again)
ScriptedInput input;

struct Stretch : ::testing::Test {
    void SetUp() override { input = ScriptedInput{}, use_script(&input), start_drawing(640, 480); }
    void TearDown() override { destroy_bitmap(page_buffer), destroy_bitmap(screen), page_buffer = screen = nullptr; }
};

// Trace k of section s: a Hermite cubic between boundaries s and s + 1, 100000 k higher than trace 0. Sections
// are 2^16 long, the last one three times that (every value below is exact); slopes are given per 2^16.
TracePoint record(const Boundaries& h, const Boundaries& g, int s, int k)
{
    const int m = s == 7 ? 3 : 1;
    TracePoint p{h[s % 8] + 100000 * k, m * g[s % 8], 0, 0};
    hermite_end(h[s % 8], m * g[s % 8], h[(s + 1) % 8], m * g[(s + 1) % 8], &p.quad, &p.cubic);
    return p;
}

std::vector<int32_t> records() { return {&trace_point[0][0].height, &trace_point[9][0].height}; }

// Presses a key over a black page and screen: whether the screen then shows `text` and the page the view of
// the heights as they now are (or stays black). Memory bitmaps are one block each.
bool says(int key, const std::string& text, bool redrawn)
{
    clear_bitmap(screen), clear_bitmap(page_buffer), perform_command({key, false, 240});
    BITMAP *shown = screen, *page = page_buffer;
    screen = create_bitmap(640, 480), page_buffer = create_bitmap(640, 480), clear_bitmap(page_buffer);
    if (redrawn)
        draw_view();
    clear_bitmap(screen), message_line(4, 10, text.c_str());
    const size_t size = 640 * 480 * sizeof(uint32_t);
    const bool right = !std::memcmp(shown->dat, screen->dat, size) && !std::memcmp(page->dat, page_buffer->dat, size);
    destroy_bitmap(screen), destroy_bitmap(page_buffer), screen = shown, page_buffer = page;
    return right;
}

// Eight sections, three traces, centre line 1: trace t's boundaries before and after hand-computed stretches,
// the last two up to the wrap-around slot.
TEST_F(Stretch, HandComputedStretchesAndTheirUndo)
{
    const Boundaries flat{}, line{0, 1000, 2000, 3000, 4000, 5000}, up{0, 1000, 1000, 1000, 1000, 1000},
        bump3{0, 0, 0, 4000}, smooth3{0, 0, 1000, 2000, 1000}, smooth3g{0, 0, 1000, 0, -1000}, bump1{0, 4000},
        crest{0, 0, 0, 0, 0, 0, 0, 500}, crest_g{-4096, 0, 0, 0, 0, 0, 4096}, levelled{0, 0, 0, 0, 0, 0, 0, 3072},
        levelled_g{-4096, 0, 0, 0, 0, 0, 4096, 2048}, bump6{0, 0, 0, 0, 0, 0, 4000},
        smooth6{0, 0, 0, 0, 0, 0, 2000, 1000}, smooth6g{0, 0, 0, 0, 0, 0, 500, -500};
    const struct { int key, i, j, t; Boundaries h, g, new_h, new_g; const char* text; } cases[] = {
        {KEY_S, 1, 3, 1, line, up, line, up, "Nothing to smooth"}, // a straight stretch stays straight
        {KEY_L, 1, 4, 1, line, up, line, up, "Nothing to level"},
        {KEY_L, 1, 4, 0, bump3, flat, flat, flat, "Levelled sections 1 to 4"}, // one trace
        {KEY_S, 1, 4, 1, bump3, flat, smooth3, smooth3g, "Smoothed sections 1 to 4"}, // the whole width
        {KEY_L, 6, 7, 2, crest, crest_g, levelled, levelled_g, "Levelled sections 6 to 7"}, // ends kept
        {KEY_S, 5, 7, 1, bump6, flat, smooth6, smooth6g, "Smoothed sections 5 to 7"},
        {KEY_L, 0, 7, 1, bump1, flat, flat, flat, "Levelled sections 0 to 7"}, // section 0 and its mirror
    };
    for (const auto& c : cases) {
        fresh_model(8, 3), centre_trace = 1, std::fill_n(section_length, 8, 1 << 16), section_length[7] = 3 << 16;
        compute_trace_lengths(), history_clear(), first_section = c.i, last_section = c.j, selected_trace = c.t;
        for (int s = 0; s <= 8; s++)
            for (int k = 0; k < 3; k++)
                trace_point[s][k] = record(c.h, c.g, s, k);
        const auto before = records();
        const bool changed = c.text[0] != 'N';
        EXPECT_TRUE(says(c.key, c.text, changed) && data_modified == changed) << c.text;
        for (int s = 0; s <= 8; s++)
            for (int k = 0; k < 3; k++) {
                const bool moved = changed && (k == c.t || c.t == 1);
                const TracePoint p = record(moved ? c.new_h : c.h, moved ? c.new_g : c.g, s, k);
                const bool joined = s == 8 || !(check_join(s, k).gap || check_join(s, k).kink);
                EXPECT_TRUE(!std::memcmp(&trace_point[s][k], &p, sizeof p) && joined) << c.text << " " << s << "/" << k;
            }
        const auto after = records();
        const std::string what = (c.key == KEY_L ? "levelling of sections " : "smoothing of sections ") +
                                 std::to_string(c.i) + " to " + std::to_string(c.j);
        EXPECT_TRUE(says(KEY_U, changed ? "Undone: " + what : "Nothing to undo", false) && records() == before);
        EXPECT_TRUE(says(KEY_R, changed ? "Redone: " + what : "Nothing to redo", false) && records() == after);
    }
}

// On the demo the trace joins without gap or gradient break all through the stretch, the faults inside repaired:
// one trace, and the whole width over straight sections (in curves the other traces, moved as the centre line,
// break where their lengths change otherwise than its).
TEST_F(Stretch, NoFaultLeftInsideTheStretchOnTheDemo)
{
    const int cases[][4] = {{KEY_L, 25, 40, 0}, {KEY_S, 95, 110, 5}, {KEY_L, 140, 149, 4}, {KEY_S, 80, 90, 6},
                            {KEY_L, 64, 77, 3}, {KEY_S, 64, 77, 3}};
    static CheckReport r;
    for (auto [key, i, j, t] : cases) {
        load_demo_track(), first_section = i, last_section = j, selected_trace = t;
        perform_command({key, false, 240}), scan_joins(0, &r);
        for (int n = 0; n < r.gap_count + r.kink_count; n++) {
            const int s = n < r.gap_count ? r.gap_sections[n] : r.kink_sections[n - r.gap_count];
            EXPECT_TRUE(s < i || s > j) << "section " << s << " after key " << key << " on " << i << " to " << j;
        }
    }
}

} // namespace
