// Line drawing that gives exactly the pixels of the library's own `line`, but visits
// only the part of a line that can lie inside the bitmap's clip rectangle, so that
// lines reaching far off the screen cost no more than short ones.
#pragma once
#include <cstdint>

struct BITMAP;

// In any drawing mode.
void draw_line(BITMAP* bitmap, int x1, int y1, int x2, int y2, int colour);

// Draws the segments between consecutive points (n points, n - 1 segments) in one colour,
// in solid drawing mode only: segments inside one pixel column are merged into one run,
// and the pixels are those of drawing every segment with `draw_line`.
void draw_polyline(BITMAP* bitmap, const int32_t* xs, const int32_t* ys, int n, int colour);

// A vertical line, in solid drawing mode only: the pixels of `draw_line`.
void draw_solid_column(BITMAP* bitmap, int x, int y1, int y2, int colour);

// Number of steps of the secondary axis taken before step k of a line whose primary
// extent is a and secondary extent b (0 <= b <= a, a > 0).
int64_t line_secondary_steps(int64_t k, int64_t a, int64_t b);
