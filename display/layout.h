// Where the two panels lie on the screen. Each panel is given by its left column,
// its width, the row of its bottom edge and a negative height (rows grow downward).
#pragma once
#include <cstdint>

extern int32_t profile_left, profile_width, profile_bottom, profile_height;
extern int32_t cross_left, cross_width, cross_bottom, cross_height;

// Places both panels on a screen of w by h pixels.
void compute_layout(int w, int h);
