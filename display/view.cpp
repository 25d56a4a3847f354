#include "display/view.h"

#include <allegro.h>
#include <algorithm>
#include <cmath>

#include "display/graphics.h"
#include "display/layout.h"
#include "display/lines.h"
#include "track/model.h"

int32_t first_section, last_section, first_trace, last_trace;
float height_bottom, height_top;
float profile_dist_min, profile_dist_max, profile_alt_min, profile_alt_max;
float cross_offset_min, cross_offset_max, cross_alt_min, cross_alt_max;

namespace {

// Clips the segment to the square of positions within reach, in double; false when no part of
// it lies there. Each side is met at the segment's parameter q / p: p the rate at which the
// segment runs out of that side, q how far inside it the first end lies.
bool clip_to_reach(double* x1, double* y1, double* x2, double* y2)
{
    if (within_reach(*x1, *y1) && within_reach(*x2, *y2))
        return true;
    const double dx = *x2 - *x1, dy = *y2 - *y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {*x1 + SCREEN_REACH, SCREEN_REACH - *x1, *y1 + SCREEN_REACH, SCREEN_REACH - *y1};
    double enter = 0.0, leave = 1.0;
    for (int i = 0; i < 4; i++) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
        } else if (p[i] < 0.0) {
            enter = std::max(enter, q[i] / p[i]);
        } else {
            leave = std::min(leave, q[i] / p[i]);
        }
    }
    if (enter > leave)
        return false;
    const double x0 = *x1, y0 = *y1;
    *x1 = x0 + enter * dx, *y1 = y0 + enter * dy;
    *x2 = x0 + leave * dx, *y2 = y0 + leave * dy;
    return true;
}

} // namespace

double screen_position(double value, double low, double high, int32_t extent, int32_t origin)
{
    double span = high - low;
    if (!(span != 0.0) || !std::isfinite(span) || !std::isfinite(value))
        return origin;
    return (value - low) / span * extent + origin;
}

int32_t map_to_screen(double value, double low, double high, int32_t extent, int32_t origin)
{
    double pos = screen_position(value, low, high, extent, origin);
    if (!(pos > -SCREEN_REACH))
        return (int32_t)-SCREEN_REACH;
    if (pos > SCREEN_REACH)
        return (int32_t)SCREEN_REACH;
    return (int32_t)pos;
}

bool within_reach(double x, double y)
{
    return std::fabs(x) <= SCREEN_REACH && std::fabs(y) <= SCREEN_REACH;
}

double distance_position(float distance)
{
    return screen_position(distance, profile_dist_min, profile_dist_max, profile_width, profile_left);
}

double height_position(float height)
{
    return screen_position(height, profile_alt_min, profile_alt_max, profile_height, profile_bottom);
}

void draw_between(BITMAP* bitmap, double x1, double y1, double x2, double y2, int colour)
{
    if (clip_to_reach(&x1, &y1, &x2, &y2))
        draw_line(bitmap, (int32_t)x1, (int32_t)y1, (int32_t)x2, (int32_t)y2, colour);
}

int32_t distance_to_x(float distance)
{
    return map_to_screen(distance, profile_dist_min, profile_dist_max, profile_width, profile_left);
}

int32_t height_to_y(float height)
{
    return map_to_screen(height, profile_alt_min, profile_alt_max, profile_height, profile_bottom);
}

int32_t offset_to_x(float offset)
{
    return map_to_screen(offset, cross_offset_min, cross_offset_max, cross_width, cross_left);
}

int32_t cross_height_to_y(float height)
{
    return map_to_screen(height, cross_alt_min, cross_alt_max, cross_height, cross_bottom);
}

int32_t profile_band_row(double share)
{
    return height_to_y((float)(profile_alt_max - share * ((double)profile_alt_max - profile_alt_min)));
}

int32_t cross_band_row(double share)
{
    return cross_height_to_y((float)(cross_alt_max - share * ((double)cross_alt_max - cross_alt_min)));
}

double x_to_distance(int32_t x)
{
    return profile_dist_min + ((double)profile_dist_max - profile_dist_min) * ((x - profile_left) / (double)profile_width);
}

double y_to_height(int32_t y)
{
    return profile_alt_min + ((double)profile_alt_max - profile_alt_min) * ((y - profile_bottom) / (double)profile_height);
}

void profile_line(BITMAP* bitmap, float d1, float h1, float d2, float h2, int colour)
{
    draw_between(bitmap, distance_position(d1), height_position(h1), distance_position(d2), height_position(h2),
                 colour);
}

void cross_line(float o1, float h1, float o2, float h2, int colour)
{
    auto x = [](float o) { return screen_position(o, cross_offset_min, cross_offset_max, cross_width, cross_left); };
    auto y = [](float h) { return screen_position(h, cross_alt_min, cross_alt_max, cross_height, cross_bottom); };
    draw_between(page_buffer, x(o1), y(h1), x(o2), y(h2), colour);
}

void clip_to_profile(BITMAP* bitmap)
{
    set_clip_rect(bitmap, profile_left, profile_bottom + profile_height, profile_left + profile_width, profile_bottom);
}

void clip_to_cross_section(BITMAP* bitmap)
{
    set_clip_rect(bitmap, cross_left, cross_bottom + cross_height, cross_left + cross_width, cross_bottom);
}

void unclip(BITMAP* bitmap)
{
    set_clip_rect(bitmap, 0, 0, bitmap->w - 1, bitmap->h - 1);
}

float to_degrees(double radians)
{
    return (float)(radians * 180.0 / 3.14159265);
}

void choose_tick_steps(float range, float* major, float* minor)
{
    static const struct {
        float above, major, minor;
    } steps[] = {
        {10000, 5000, 1000}, {5000, 2000, 500}, {1000, 500, 100}, {500, 200, 50}, {100, 50, 10},
        {50, 20, 5},         {10, 5, 1},        {5, 2, 0.5f},     {1, 0.5f, 0.1f}, {0.5f, 0.2f, 0.05f},
    };
    for (const auto& step : steps) {
        if (range > step.above) {
            *major = step.major;
            *minor = step.minor;
            return;
        }
    }
    *major = 0.05f;
    *minor = 0.01f;
}

Ticks axis_ticks(float low, float high, float step)
{
    Ticks t = {0.0, step, 0};
    if (!std::isfinite(low) || !std::isfinite(high) || !(step > 0.0f) || (high - low) / step > 100000.0)
        return t;
    t.first = (std::trunc((double)low / step) - 1) * step;
    while (tick_value(t, 0) < low)
        t.first += step;
    while (tick_value(t, t.count) < high)
        t.count++;
    return t;
}

void zoom_to_fit()
{
    first_section = 0;
    last_section = num_sections - 1;
    first_trace = 0;
    last_trace = num_traces - 1;
    int32_t lowest = trace_point[0][0].height, highest = lowest;
    for (int s = 0; s < num_sections; s++) {
        for (int t = 0; t < num_traces; t++) {
            int32_t h = trace_point[s][t].height;
            if (h < lowest)
                lowest = h;
            if (h > highest)
                highest = h;
        }
    }
    // Whole metres, the quotients truncated toward zero.
    height_bottom = (float)(std::trunc(lowest / UNITS_PER_METRE) - 1);
    height_top = (float)(std::trunc(highest / UNITS_PER_METRE) + 1);
}
