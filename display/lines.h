// Line drawing that gives exactly the pixels of the library's own `line`, but visits
// only the part of a line that can lie inside the bitmap's clip rectangle, so that
// lines reaching far off the screen cost no more than short ones; lines between panel values.
#pragma once
#include <cstdint>

struct BITMAP;
struct Panel;

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

// Draws the line between two screen positions. A line that reaches beyond SCREEN_REACH is first
// clipped in double to the square within it, so that what shows lies where the mapping puts it.
void draw_between(BITMAP* bitmap, double x1, double y1, double x2, double y2, int colour);
// Lines between values of the profile (on any bitmap) and of the cross-section (on the page).
void profile_line(BITMAP* bitmap, float d1, float h1, float d2, float h2, int colour);
void cross_line(float o1, float h1, float o2, float h2, int colour);

// Confines drawing on `bitmap` to a panel, both edges included, or to the whole bitmap.
void clip_to(BITMAP* bitmap, const Panel& panel);
void unclip(BITMAP* bitmap);
