#include "display/layout.h"

int32_t profile_left, profile_width, profile_bottom, profile_height;
int32_t cross_left, cross_width, cross_bottom, cross_height;

void compute_layout(int w, int h)
{
    profile_left = (int32_t)(w * 0.05);
    profile_width = (int32_t)(w * 0.9);
    profile_bottom = (int32_t)(h * 0.95);
    profile_height = (int32_t)(-h * 0.6);
    cross_left = (int32_t)(w * 0.5);
    cross_width = (int32_t)(w * 0.45);
    cross_bottom = (int32_t)(h * 0.3);
    cross_height = (int32_t)(-h * 0.25);
}

bool window_size_possible(int w, int h)
{
    return w > 0 && h > 0 && w <= 32767 && h <= 32767 && (int64_t)w * h * 4 <= INT32_MAX;
}
