#include "display/renderer.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/graphics.h"
#include "display/layout.h"
#include "display/lines.h"
#include "display/view.h"
#include "track/model.h"

bool draw_every_segment;

namespace {

struct Colours {
    int grey, white, red, yellow, blue, light_cyan;
};

Colours make_colours()
{
    return {makecol(211, 211, 211), makecol(255, 255, 255), makecol(255, 0, 0),
            makecol(255, 255, 0),   makecol(0, 0, 255),     makecol(224, 255, 255)};
}

int space_width(FONT* f)
{
    return text_length(f, " ");
}

// A section label as textprintf_ex would draw it with "%3d" (no precision given) or
// "%6.1f" (precision 1). std::to_chars gives the digits printf gives, several times faster,
// which shows with thousands of labels per frame; the straightforward drawing keeps printf.
template <typename Value, typename... Precision>
void print_label(FONT* f, int x, int y, int colour, const char* format, int width, Value value,
                 Precision... precision)
{
    char text[400];
    auto result = std::to_chars(text, text + sizeof text - 1, value, precision...);
    if (draw_every_segment || result.ec != std::errc()) {
        textprintf_ex(page_buffer, f, x, y, colour, -1, format, value);
        return;
    }
    int length = (int)(result.ptr - text);
    int pad = std::max(0, width - length);
    std::memmove(text + pad, text, (size_t)length);
    std::memset(text, ' ', (size_t)pad);
    text[pad + length] = '\0';
    textout_ex(page_buffer, f, text, x, y, colour, -1);
}

enum class Axis { CrossHorizontal, ProfileVertical, ProfileHorizontal };

void draw_tick(Axis axis, float v, bool major, const Colours& c)
{
    int reach = axis == Axis::CrossHorizontal ? (major ? 3 : 1) : (major ? 5 : 2);
    switch (axis) {
    case Axis::CrossHorizontal: {
        int x = offset_to_x(v);
        line(page_buffer, x, cross_bottom - reach, x, cross_bottom + reach, c.grey);
        if (major)
            textprintf_ex(page_buffer, small_font, x - 3 * space_width(small_font),
                          cross_bottom + text_height(small_font), c.white, -1, "%4.0f", v);
        break;
    }
    case Axis::ProfileVertical: {
        int y = height_to_y(v);
        line(page_buffer, profile_left - reach, y, profile_left + reach, y, c.grey);
        break;
    }
    case Axis::ProfileHorizontal: {
        int x = distance_to_x(v);
        line(page_buffer, x, profile_bottom - reach, x, profile_bottom + reach, c.grey);
        if (major)
            textprintf_ex(page_buffer, medium_font, x - 3 * space_width(medium_font),
                          (int)(profile_bottom + 1.5 * text_height(medium_font)), c.white, -1, "%5.0f", v);
        break;
    }
    }
}

void draw_vertical_label(float v, float major, const Colours& c)
{
    int y = height_to_y(v);
    int sp = space_width(medium_font);
    int row = (int)(y - 0.5 * text_height(medium_font));
    if (major > 1)
        textprintf_ex(page_buffer, medium_font, profile_left - 5 * sp, row, c.white, -1, "%4.0f", v);
    else
        textprintf_ex(page_buffer, medium_font, profile_left - 6 * sp, row, c.white, -1, "%5.2f", v);
}

// Ticks every step from just below `low` while below `high`. A range that is no finite
// number, or so wide that the steps could not be counted, gets no ticks.
void draw_axis(Axis axis, float low, float high, const Colours& c)
{
    float major, minor;
    choose_tick_steps(high - low, &major, &minor);
    if (!std::isfinite(low) || !std::isfinite(high) || (high - low) / minor > 100000.0)
        return;
    for (int pass = 0; pass < 2; pass++) {
        float step = pass == 0 ? major : minor;
        for (float v = step * std::trunc(low / step) - step; v < high; v += step) {
            if (v < low)
                continue;
            draw_tick(axis, v, pass == 0, c);
            if (pass == 0 && axis == Axis::ProfileVertical)
                draw_vertical_label(v, major, c);
            if (v + step == v)
                break;
        }
    }
}

void draw_cross_section(const float* heights, const Colours& c)
{
    int sp = space_width(small_font);
    for (int t = first_trace + 1; t <= last_trace; t++)
        cross_line(trace_offset[t - 1], heights[t - 1], trace_offset[t], heights[t], c.red);
    int number_row = cross_height_to_y(cross_alt_max - 0.05f * (cross_alt_max - cross_alt_min));
    for (int t = first_trace; t <= last_trace; t++) {
        int x = offset_to_x(trace_offset[t]);
        circlefill(page_buffer, x, cross_height_to_y(heights[t]), 2, c.red);
        textprintf_ex(page_buffer, small_font, x - sp, number_row, c.grey, -1, "%2d", t);
    }
    int selected = selected_trace == centre_line_trace ? c.yellow : c.white;
    circlefill(page_buffer, offset_to_x(trace_offset[selected_trace]), cross_height_to_y(heights[selected_trace]),
               2, selected);
    if (!show_angles)
        return;
    int angle_row = cross_height_to_y(cross_alt_max - 0.1f * (cross_alt_max - cross_alt_min));
    for (int t = first_trace; t < last_trace; t++) {
        float run = trace_offset[t + 1] - trace_offset[t];
        if (run == 0.0f)
            continue;
        float angle = to_degrees(std::atan((heights[t + 1] - heights[t]) / run));
        textprintf_ex(page_buffer, small_font, offset_to_x((trace_offset[t] + trace_offset[t + 1]) * 0.5f) - 4 * sp,
                      angle_row, c.white, -1, "%6.1f", angle);
    }
}

void draw_section_marks(const Colours& c)
{
    int sp = space_width(small_font);
    int t = selected_trace;
    int number_row = height_to_y(height_top - 0.05f * (height_top - height_bottom));
    int angle_row = height_to_y(height_top - 0.1f * (height_top - height_bottom));
    // At whole-track zoom several start lines fall on one column. In solid mode a line that
    // the next one covers (same column, and all span the same rows) can be left out: the next
    // paints over every pixel of it, and the labels drawn between them do not depend on
    // what lies beneath.
    bool skip_covered = !draw_every_segment && _drawing_mode == DRAW_MODE_SOLID;
    auto start_of = [t](int s) { return (float)(trace_start[s][t] / UNITS_PER_METRE); };
    int next_x = distance_to_x(start_of(first_section));
    for (int s = first_section; s <= last_section; s++) {
        float d = start_of(s);
        const int x = next_x; // the column of d
        next_x = s < last_section ? distance_to_x(start_of(s + 1)) : x - 1;
        bool covered = skip_covered && next_x == x;
        if (!covered)
            profile_line(page_buffer, d, height_bottom, d, height_top, s == selected_section ? c.light_cyan : c.blue);
        float mid = (float)((trace_length[s][t] / 2 + (double)trace_start[s][t]) / UNITS_PER_METRE);
        print_label(small_font, distance_to_x(mid) - 2 * sp, number_row, c.grey, "%3d", 3, s);
        if (show_angles && trace_length[s][t] != 0) {
            float angle = to_degrees(std::atan((double)trace_point[s][t].slope / trace_length[s][t]));
            print_label(small_font, x - 4 * sp, angle_row, c.white, "%6.1f", 6, (double)angle,
                        std::chars_format::fixed, 1);
        }
    }
}

// `runs` + 1 entries of `run_start` divide the points into runs that share a column.
void draw_trace(const float* distances, const float* heights, int points, int colour, const int32_t* xs,
                const int32_t* run_start, int runs, int32_t* px, int32_t* py)
{
    if (draw_every_segment) {
        for (int i = 0; i + 1 < points; i++)
            profile_line(page_buffer, distances[i], heights[i], distances[i + 1], heights[i + 1], colour);
        return;
    }
    // In solid mode the segments between points of one column fill it from their lowest to
    // their highest row, whatever the order, and the mapping is monotonic. So a run keeps
    // only its two ends and its extreme heights: at whole-track zoom a hundred points
    // become four.
    bool thin = _drawing_mode == DRAW_MODE_SOLID;
    int n = 0;
    for (int r = 0; r < runs; r++) {
        int i = run_start[r], j = run_start[r + 1] - 1;
        if (!thin || j - i < 4) {
            for (int k = i; k <= j; k++) {
                px[n] = xs[k];
                py[n++] = height_to_y(heights[k]);
            }
            continue;
        }
        const auto [low, high] = std::minmax_element(heights + i, heights + j + 1);
        const float kept[4] = {heights[i], *low, *high, heights[j]};
        for (float h : kept) {
            px[n] = xs[i];
            py[n++] = height_to_y(h);
        }
    }
    draw_polyline(page_buffer, px, py, n, colour);
}

void draw_altitude_reference(const Colours& c)
{
    if (!altref_loaded || selected_trace != centre_line_trace || altref_count <= 0)
        return;
    for (int i = 0; i < altref_count; i++) {
        int x = distance_to_x(altref_distance[i]), y = height_to_y(altref_height[i]);
        line(page_buffer, x - 2, y, x + 2, y, c.white);
        line(page_buffer, x, y - 2, x, y + 2, c.white);
    }
}

void draw_frames(const Colours& c)
{
    int cl = cross_left, cb = cross_bottom, cr = cross_left + cross_width, ct = cross_bottom + cross_height;
    line(page_buffer, cl, cb, cr, cb, c.grey);
    line(page_buffer, cl, cb, cl, ct, c.grey);
    line(page_buffer, cl, ct, cr, ct, c.grey);
    line(page_buffer, cr, cb, cr, ct, c.grey);
}

void draw_profile_frame(const Colours& c)
{
    int l = profile_left, b = profile_bottom, r = profile_left + profile_width, t = profile_bottom + profile_height;
    line(page_buffer, l - 1, b + 1, r, b + 1, c.grey);
    line(page_buffer, l - 1, b, l - 1, t, c.grey);
    line(page_buffer, l - 1, t - 1, r, t - 1, c.grey);
    line(page_buffer, r, b, r, t, c.grey);
}

} // namespace

void cross_line(float o1, float h1, float o2, float h2, int colour)
{
    draw_line(page_buffer, offset_to_x(o1), cross_height_to_y(h1), offset_to_x(o2), cross_height_to_y(h2), colour);
}

void draw_view()
{
    const int N = steps_per_section;
    const int NS = last_section - first_section + 1;
    if (N < 1 || NS < 1 || num_traces < 1)
        return;
    const int points = NS * N;
    Colours c = make_colours();
    clear_bitmap(page_buffer);
    float* distances = (float*)std::malloc(sizeof(float) * (size_t)points);
    float* heights = (float*)std::malloc(sizeof(float) * (size_t)points * (size_t)num_traces);
    // Columns of the points, where each run of one column starts, and a thinned polyline.
    int32_t* xs = (int32_t*)std::malloc(sizeof(int32_t) * (size_t)points);
    int32_t* run_start = (int32_t*)std::malloc(sizeof(int32_t) * ((size_t)points + 1));
    int32_t* px = (int32_t*)std::malloc(sizeof(int32_t) * (size_t)points);
    int32_t* py = (int32_t*)std::malloc(sizeof(int32_t) * (size_t)points);
    auto release = [&] {
        std::free(distances);
        std::free(heights);
        std::free(xs);
        std::free(run_start);
        std::free(px);
        std::free(py);
    };
    if (!distances || !heights || !xs || !run_start || !px || !py) {
        release();
        return;
    }

    const int sel = selected_trace;
    for (int k = 0; k < NS; k++) {
        int s = first_section + k;
        for (int j = 0; j < N; j++) {
            double u = (double)j / N;
            distances[k * N + j] = (float)(to_int32(trace_start[s][sel] + u * trace_length[s][sel]) / UNITS_PER_METRE);
        }
    }
    std::vector<double> fraction(N);
    for (int j = 0; j < N; j++)
        fraction[j] = (double)j / N;
    for (int t = 0; t < num_traces; t++) {
        float* row = heights + (size_t)t * points;
        for (int k = 0; k < NS; k++) {
            const TracePoint& p = trace_point[first_section + k][t];
            for (int j = 0; j < N; j++)
                row[k * N + j] = (float)(height_at(p, fraction[j]) / UNITS_PER_METRE);
        }
    }

    float cross[MAX_TRACES] = {};
    for (int t = 0; t < num_traces; t++)
        cross[t] = (float)(trace_point[selected_section][t].height / UNITS_PER_METRE);
    float lowest = cross[first_trace], highest = cross[first_trace];
    for (int t = first_trace; t <= last_trace; t++) {
        lowest = std::min(lowest, cross[t]);
        highest = std::max(highest, cross[t]);
    }
    float margin = (float)(0.1 * (highest - lowest) + 0.1);
    cross_alt_min = lowest - margin;
    cross_alt_max = highest + margin;
    cross_offset_min = (float)(trace_offset[first_trace] - 1.0);
    cross_offset_max = (float)(trace_offset[last_trace] + 1.0);

    scare_mouse();
    draw_frames(c);
    draw_axis(Axis::CrossHorizontal, cross_offset_min, cross_offset_max, c);
    set_clip_rect(page_buffer, cross_left, cross_bottom + cross_height, cross_left + cross_width, cross_bottom);
    draw_cross_section(cross, c);
    set_clip_rect(page_buffer, 0, 0, page_buffer->w - 1, page_buffer->h - 1);

    profile_dist_min = distances[0];
    profile_dist_max = distances[points - 1];
    profile_alt_min = height_bottom;
    profile_alt_max = height_top;

    draw_profile_frame(c);
    draw_axis(Axis::ProfileVertical, height_bottom, height_top, c);
    draw_axis(Axis::ProfileHorizontal, profile_dist_min, profile_dist_max, c);
    set_clip_rect(page_buffer, profile_left, profile_bottom + profile_height, profile_left + profile_width,
                  profile_bottom);
    draw_section_marks(c);
    int runs = 0;
    for (int i = 0; i < points; i++) {
        xs[i] = distance_to_x(distances[i]);
        if (i == 0 || xs[i] != xs[i - 1])
            run_start[runs++] = i;
    }
    run_start[runs] = points;
    for (int t = 0; t < num_traces; t++)
        draw_trace(distances, heights + (size_t)t * points, points, c.red, xs, run_start, runs, px, py);
    draw_trace(distances, heights + (size_t)sel * points, points, sel == centre_line_trace ? c.yellow : c.white, xs,
               run_start, runs, px, py);
    draw_altitude_reference(c);
    set_clip_rect(page_buffer, 0, 0, page_buffer->w - 1, page_buffer->h - 1);
    unscare_mouse();
    show_page();
    release();
}
