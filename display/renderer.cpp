#include "display/renderer.h"

#include <allegro.h>
#include <cmath>
#include <cstdlib>
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

float degrees(double radians)
{
    return (float)(radians * 180.0 / 3.14159265);
}

int space_width(FONT* f)
{
    return text_length(f, " ");
}

enum class Axis { CrossHorizontal, ProfileVertical, ProfileHorizontal };

void draw_tick(Axis axis, float v, bool major, const Colours& c)
{
    int reach = major ? 3 : 1;
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
        reach = major ? 5 : 2;
        line(page_buffer, profile_left - reach, y, profile_left + reach, y, c.grey);
        break;
    }
    case Axis::ProfileHorizontal: {
        int x = distance_to_x(v);
        reach = major ? 5 : 2;
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
    for (int pass = 0; pass < 2; pass++) {
        float step = pass == 0 ? major : minor;
        if (!std::isfinite(low) || !std::isfinite(high) || (high - low) / step > 100000.0)
            return;
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
        float angle = degrees(std::atan((heights[t + 1] - heights[t]) / run));
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
    for (int s = first_section; s <= last_section; s++) {
        float d = (float)(trace_start[s][t] / UNITS_PER_METRE);
        profile_line(page_buffer, d, height_bottom, d, height_top, s == selected_section ? c.light_cyan : c.blue);
        float mid = (float)((trace_length[s][t] / 2 + (double)trace_start[s][t]) / UNITS_PER_METRE);
        textprintf_ex(page_buffer, small_font, distance_to_x(mid) - 2 * sp, number_row, c.grey, -1, "%3d", s);
        if (show_angles && trace_length[s][t] != 0) {
            float angle = degrees(std::atan((double)trace_point[s][t].slope / trace_length[s][t]));
            textprintf_ex(page_buffer, small_font, distance_to_x(d) - 4 * sp, angle_row, c.white, -1, "%6.1f", angle);
        }
    }
}

void draw_trace(const float* distances, const float* heights, int points, int colour, int32_t* xs, int32_t* ys)
{
    if (draw_every_segment) {
        for (int i = 0; i + 1 < points; i++)
            profile_line(page_buffer, distances[i], heights[i], distances[i + 1], heights[i + 1], colour);
        return;
    }
    for (int i = 0; i < points; i++)
        ys[i] = height_to_y(heights[i]);
    draw_polyline(page_buffer, xs, ys, points, colour);
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

int colour_grey()
{
    return makecol(211, 211, 211);
}

int colour_white()
{
    return makecol(255, 255, 255);
}

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
    int32_t* xs = (int32_t*)std::malloc(sizeof(int32_t) * (size_t)points);
    int32_t* ys = (int32_t*)std::malloc(sizeof(int32_t) * (size_t)points);
    if (!distances || !heights || !xs || !ys) {
        std::free(distances);
        std::free(heights);
        std::free(xs);
        std::free(ys);
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
    for (int t = 0; t < num_traces; t++) {
        float* row = heights + (size_t)t * points;
        for (int k = 0; k < NS; k++) {
            const TracePoint& p = trace_point[first_section + k][t];
            for (int j = 0; j < N; j++)
                row[k * N + j] = (float)(height_at(p, (double)j / N) / UNITS_PER_METRE);
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
    set_clip_rect(page_buffer, 0, 0, SCREEN_W - 1, SCREEN_H - 1);

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
    for (int i = 0; i < points; i++)
        xs[i] = distance_to_x(distances[i]);
    for (int t = 0; t < num_traces; t++)
        draw_trace(distances, heights + (size_t)t * points, points, c.red, xs, ys);
    draw_trace(distances, heights + (size_t)sel * points, points, sel == centre_line_trace ? c.yellow : c.white, xs,
               ys);
    draw_altitude_reference(c);
    set_clip_rect(page_buffer, 0, 0, SCREEN_W - 1, SCREEN_H - 1);
    unscare_mouse();
    show_page();
    std::free(distances);
    std::free(heights);
    std::free(xs);
    std::free(ys);
}
