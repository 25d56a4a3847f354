// The profile drawn the straightforward way: every section start line and every trace
// segment through profile_line, every label through textprintf_ex. The renderer's fast
// drawing must give the same pixels; the benchmark measures what it saves.
#pragma once
#include <allegro.h>
#include <cmath>

#include "display/colours.h"
#include "display/frame.h"
#include "display/graphics.h"
#include "display/lines.h"
#include "display/view.h"

inline void reference_profile_lines(const Frame& f)
{
    const int t = selected_trace, sp = text_length(small_font, " ");
    for (int s = first_section; s <= last_section; s++) {
        const float d = (float)(trace_start[s][t] / UNITS_PER_METRE);
        const float mid = (float)((trace_length[s][t] / 2 + (double)trace_start[s][t]) / UNITS_PER_METRE);
        profile_line(page_buffer, d, height_bottom, d, height_top, colour(s == selected_section ? LIGHT_CYAN : BLUE));
        textprintf_ex(page_buffer, small_font, distance_to_x(mid) - 2 * sp, profile_band_row(0.05), colour(GREY), -1,
                      "%3d", s);
        if (show_angles && trace_length[s][t] != 0)
            textprintf_ex(page_buffer, small_font, distance_to_x(d) - 4 * sp, profile_band_row(0.1), colour(WHITE),
                          -1, "%6.1f", to_degrees(std::atan((double)trace_point[s][t].slope / trace_length[s][t])));
    }
    for (int k = 0; k <= num_traces; k++) { // the selected trace again, last
        const float* h = f.heights + (size_t)(k < num_traces ? k : t) * f.points;
        const int c = colour(k < num_traces ? RED : t == centre_line_trace ? YELLOW : WHITE);
        for (int i = 0; i + 1 < f.points; i++)
            profile_line(page_buffer, f.distances[i], h[i], f.distances[i + 1], h[i + 1], c);
    }
}
