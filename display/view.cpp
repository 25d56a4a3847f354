#include "display/view.h"

#include <cmath>

#include "display/panel.h"
#include "track/model.h"

int32_t first_section, last_section, first_trace, last_trace;
float height_bottom, height_top;
float profile_dist_min, profile_dist_max, profile_alt_min, profile_alt_max;
float cross_offset_min, cross_offset_max, cross_alt_min, cross_alt_max;

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
    return profile_panel.x_position(distance);
}

double height_position(float height)
{
    return profile_panel.y_position(height);
}

int32_t distance_to_x(float distance)
{
    return profile_panel.to_x(distance);
}

int32_t height_to_y(float height)
{
    return profile_panel.to_y(height);
}

int32_t offset_to_x(float offset)
{
    return cross_panel.to_x(offset);
}

int32_t cross_height_to_y(float height)
{
    return cross_panel.to_y(height);
}

int32_t profile_band_row(double share)
{
    return profile_panel.band_row(share);
}

int32_t cross_band_row(double share)
{
    return cross_panel.band_row(share);
}

double x_to_distance(int32_t x)
{
    return profile_panel.from_x(x);
}

double y_to_height(int32_t y)
{
    return profile_panel.from_y(y);
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
