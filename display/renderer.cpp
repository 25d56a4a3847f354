#include "display/renderer.h"

#include <allegro.h>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "display/colours.h"
#include "display/frame.h"
#include "display/graphics.h"
#include "display/layout.h"
#include "display/lines.h"
#include "display/panel.h"
#include "display/view.h"
#include "track/model.h"

namespace {

struct Colours {
    int grey, white, red, yellow, blue, light_cyan;
};

Colours make_colours()
{
    return {colour(GREY), colour(WHITE), colour(RED), colour(YELLOW), colour(BLUE), colour(LIGHT_CYAN)};
}

int space_width(FONT* f)
{
    return text_length(f, " ");
}

// A section label as textprintf_ex would draw it with "%3d" (no precision given) or
// "%6.1f" (precision 1). std::to_chars gives the digits printf gives, several times faster,
// which shows with thousands of labels per frame.
template <typename Value, typename... Precision>
void print_label(FONT* f, int x, int y, int colour, const char* format, int width, Value value,
                 Precision... precision)
{
    char text[400];
    auto result = std::to_chars(text, text + sizeof text - 1, value, precision...);
    if (result.ec != std::errc()) {
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

void draw_cross_section_frame(const Colours& c)
{
    int cl = cross_left, cb = cross_bottom, cr = cross_left + cross_width, ct = cross_bottom + cross_height;
    line(page_buffer, cl, cb, cr, cb, c.grey);
    line(page_buffer, cl, cb, cl, ct, c.grey);
    line(page_buffer, cl, ct, cr, ct, c.grey);
    line(page_buffer, cr, cb, cr, ct, c.grey);
}

// The label bands below the top edge of either panel, as shares of its height.
constexpr double NUMBER_BAND = 0.05, ANGLE_BAND = 0.1;

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

void draw_axis(Axis axis, float low, float high, const Colours& c)
{
    float major, minor;
    choose_tick_steps(high - low, &major, &minor);
    const Ticks minors = axis_ticks(low, high, minor);
    if (minors.count == 0)
        return; // then there is no major tick either
    const Ticks majors = axis_ticks(low, high, major);
    for (int k = 0; k < majors.count; k++) {
        draw_tick(axis, tick_value(majors, k), true, c);
        if (axis == Axis::ProfileVertical)
            draw_vertical_label(tick_value(majors, k), major, c);
    }
    for (int k = 0; k < minors.count; k++)
        draw_tick(axis, tick_value(minors, k), false, c);
}

void draw_cross_section(const float* heights, const Colours& c)
{
    int sp = space_width(small_font);
    for (int t = first_trace + 1; t <= last_trace; t++)
        cross_line(trace_offset[t - 1], heights[t - 1], trace_offset[t], heights[t], c.red);
    int number_row = cross_band_row(NUMBER_BAND);
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
    int angle_row = cross_band_row(ANGLE_BAND);
    for (int t = first_trace; t < last_trace; t++) {
        double run = (double)trace_offset[t + 1] - trace_offset[t];
        if (run == 0.0)
            continue;
        float angle = to_degrees(std::atan(((double)heights[t + 1] - heights[t]) / run));
        textprintf_ex(page_buffer, small_font, offset_to_x((trace_offset[t] + trace_offset[t + 1]) * 0.5f) - 4 * sp,
                      angle_row, c.white, -1, "%6.1f", angle);
    }
}

void draw_profile_frame(const Colours& c)
{
    int l = profile_left, b = profile_bottom, r = profile_left + profile_width, t = profile_bottom + profile_height;
    line(page_buffer, l - 1, b + 1, r, b + 1, c.grey);
    line(page_buffer, l - 1, b, l - 1, t, c.grey);
    line(page_buffer, l - 1, t - 1, r, t - 1, c.grey);
    line(page_buffer, r, b, r, t, c.grey);
}

void draw_section_marks(const Colours& c)
{
    int sp = space_width(small_font);
    int t = selected_trace;
    int number_row = profile_band_row(NUMBER_BAND);
    int angle_row = profile_band_row(ANGLE_BAND);
    const int bottom = height_to_y(height_bottom), top = height_to_y(height_top);
    // At whole-track zoom several start lines fall on one column. Drawn solid, a line that
    // the next one covers (same column, and all span the same rows) can be left out: the next
    // paints over every pixel of it, and the labels drawn between them do not depend on
    // what lies beneath.
    auto start_of = [t](int s) { return (float)(trace_start[s][t] / UNITS_PER_METRE); };
    int next_x = distance_to_x(start_of(first_section));
    for (int s = first_section; s <= last_section; s++) {
        const int x = next_x; // the column of the section's start
        next_x = s < last_section ? distance_to_x(start_of(s + 1)) : x - 1;
        if (next_x != x)
            draw_solid_column(page_buffer, x, bottom, top, s == selected_section ? c.light_cyan : c.blue);
        float mid = (float)((trace_length[s][t] / 2 + (double)trace_start[s][t]) / UNITS_PER_METRE);
        print_label(small_font, distance_to_x(mid) - 2 * sp, number_row, c.grey, "%3d", 3, s);
        if (show_angles && trace_length[s][t] != 0) {
            float angle = to_degrees(std::atan((double)trace_point[s][t].slope / trace_length[s][t]));
            print_label(small_font, x - 4 * sp, angle_row, c.white, "%6.1f", 6, (double)angle,
                        std::chars_format::fixed, 1);
        }
    }
}

// The polyline of one trace through the frame's points, one column's run thinned to the
// points that show. Rows beyond reach stop there, which changes nothing inside a column; a
// segment to the next column from such a row is drawn apart, clipped where it really runs.
void draw_trace(const Frame& f, const float* heights, int colour)
{
    auto beyond = [](int32_t row) { return row == (int32_t)SCREEN_REACH || row == (int32_t)-SCREEN_REACH; };
    int n = 0;
    for (int r = 0; r < f.runs; r++) {
        int i = f.run_start[r];
        float kept[4];
        int32_t rows[4];
        int count = thin_column(heights + i, f.run_start[r + 1] - i, kept);
        for (int k = 0; k < count; k++)
            rows[k] = height_to_y(kept[k]);
        if (n > 0 && (beyond(f.py[n - 1]) || beyond(rows[0]))) {
            draw_polyline(page_buffer, f.px, f.py, n, colour);
            draw_between(page_buffer, distance_position(f.distances[i - 1]), height_position(heights[i - 1]),
                         distance_position(f.distances[i]), height_position(heights[i]), colour);
            n = 0;
        }
        for (int k = 0; k < count; k++) {
            f.px[n] = f.columns[i];
            f.py[n++] = rows[k];
        }
    }
    draw_polyline(page_buffer, f.px, f.py, n, colour);
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

} // namespace

void paint_profile_lines(const Frame& f)
{
    const Colours c = make_colours();
    draw_section_marks(c);
    for (int t = 0; t < num_traces; t++)
        draw_trace(f, f.heights + (size_t)t * f.points, c.red);
    const int sel = selected_trace;
    draw_trace(f, f.heights + (size_t)sel * f.points, sel == centre_line_trace ? c.yellow : c.white);
}

void draw_view()
{
    Frame f;
    if (!compute_frame(&f))
        return;
    const Colours c = make_colours();
    clear_bitmap(page_buffer);
    scare_mouse();
    draw_cross_section_frame(c);
    draw_axis(Axis::CrossHorizontal, cross_offset_min, cross_offset_max, c);
    clip_to(page_buffer, cross_panel);
    draw_cross_section(f.cross_heights, c);
    unclip(page_buffer);

    draw_profile_frame(c);
    draw_axis(Axis::ProfileVertical, height_bottom, height_top, c);
    draw_axis(Axis::ProfileHorizontal, profile_dist_min, profile_dist_max, c);
    clip_to(page_buffer, profile_panel);
    paint_profile_lines(f);
    draw_altitude_reference(c);
    unclip(page_buffer);
    unscare_mouse();
    show_page();
    release_frame(&f);
}
