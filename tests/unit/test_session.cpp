// A long seeded session on the demo: keys, rectangle zooms, edits, checks and fixes in
// random order, each followed by a frame, as the main loop runs them. The sanitizer build
// watches every step.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "commands/check.h"
#include "commands/keys.h"
#include "display/graphics.h"
#include "display/layout.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "interaction/zoom.h"
#include "support.h"
#include "track/model.h"

// The view stays a range of the track that holds the selection, the height limits stay
// apart and finite, and the wrap-around slot a copy of section 0; a last fix leaves no faults.
TEST(Session, RandomCommandsKeepTheViewValid)
{
    const int keys[] = {KEY_A, KEY_C, KEY_F, KEY_Z, KEY_1_PAD, KEY_3_PAD, KEY_7_PAD, KEY_9_PAD, KEY_INSERT, KEY_DEL,
                        KEY_PGUP, KEY_PGDN, KEY_HOME, KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_B, KEY_END};
    start_drawing(640, 480);
    load_demo_track();
    draw_view();
    std::mt19937 rng(1);
    auto x = [&] { return profile_left + (int)(rng() % (profile_width + 1)); };
    auto y = [&] { return profile_bottom + profile_height + (int)(rng() % (1 - profile_height)); };
    for (int i = 0; i < 1000; i++) {
        if (i % 4 == 0)
            zoom_to_rectangle(x(), y(), x(), y());
        else if (i % 4 == 1)
            apply_edit(selected_section, selected_trace, y_to_height(y()), (int)(rng() % 201 - 100) / 300.0);
        else
            perform_command(keys[rng() % std::size(keys)], rng() % 2, rng() % 480);
        draw_view();
        ASSERT_TRUE(0 <= first_section && first_section <= selected_section && selected_section <= last_section &&
                    last_section < num_sections && 0 <= first_trace && first_trace < last_trace &&
                    last_trace < num_traces && 0 <= selected_trace && selected_trace < num_traces)
            << i;
        ASSERT_TRUE(std::isfinite(height_bottom) && std::isfinite(height_top) && height_bottom < height_top) << i;
        ASSERT_EQ(std::memcmp(trace_point[num_sections], trace_point[0], sizeof trace_point[0]), 0) << i;
    }
    static CheckReport report;
    scan_joins(1, &report);
    scan_joins(0, &report);
    EXPECT_EQ(report.gap_count + report.kink_count, 0);
    destroy_bitmap(page_buffer), destroy_bitmap(screen), page_buffer = screen = nullptr;
}
