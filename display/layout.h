// Where the two panels lie on the screen. Each panel is given by its left column,
// its width, the row of its bottom edge and a negative height (rows grow downward).
#pragma once
#include <cstdint>

extern int32_t profile_left, profile_width, profile_bottom, profile_height;
extern int32_t cross_left, cross_width, cross_bottom, cross_height;

// Places both panels on a screen of w by h pixels.
void compute_layout(int w, int h);

// Whether a window of w by h pixels can be had: X draws at 16-bit signed positions, and the
// graphics library counts the bytes of a picture (up to 4 a pixel) in a signed 32-bit number.
bool window_size_possible(int w, int h);
