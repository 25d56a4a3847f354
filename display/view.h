// What the panels show, and the mapping between track values and screen positions. No drawing:
// display/lines.h draws lines and clips to the panels.
#pragma once
#include <cstdint>

// The view range.
extern int32_t first_section, last_section, first_trace, last_trace;
extern float height_bottom, height_top;

// Value ranges at the panels' edges, written only by the renderer while it draws.
extern float profile_dist_min, profile_dist_max, profile_alt_min, profile_alt_max;
extern float cross_offset_min, cross_offset_max, cross_alt_min, cross_alt_max;

int32_t distance_to_x(float distance);
int32_t height_to_y(float height);
int32_t offset_to_x(float offset);
int32_t cross_height_to_y(float height);
double x_to_distance(int32_t x);
double y_to_height(int32_t y);

// The row of the height `share` of a panel's height range below its top, where a band of
// labels stands; the height is worked out in double and mapped as every height is.
int32_t profile_band_row(double share);
int32_t cross_band_row(double share);

// Linear map of `value` in [low, high] onto [origin, origin + extent] in double, however far off
// the screen. An empty or non-finite range, or a value that is no finite number, gives `origin`.
double screen_position(double value, double low, double high, int32_t extent, int32_t origin);
// That position truncated toward zero. It stops at SCREEN_REACH either way: farther than any
// screen, near enough that every drawing call takes it.
int32_t map_to_screen(double value, double low, double high, int32_t extent, int32_t origin);
constexpr double SCREEN_REACH = 1 << 24;
bool within_reach(double x, double y);
double distance_position(float distance);
double height_position(float height);

// Angles are shown in degrees of this conversion, stored as a float.
float to_degrees(double radians);

void choose_tick_steps(float range, float* major, float* minor);

// The ticks of an axis from `low` to `high` every `step`: tick k is at first + k * step for k
// below count. Counted in double from the multiple of the step just below low, so that no sum
// drifts: a value equal to low (as a float) gets a tick, one equal to high none. A range that is
// no finite number, or of more than 100000 steps, gets none.
struct Ticks {
    double first, step;
    int count;
};
Ticks axis_ticks(float low, float high, float step);
inline float tick_value(const Ticks& t, int k)
{
    return (float)(t.first + k * t.step);
}
void zoom_to_fit();
