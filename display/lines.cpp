#include "display/lines.h"

#include <allegro.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "display/graphics.h"
#include "display/panel.h"
#include "display/view.h"

int64_t line_secondary_steps(int64_t k, int64_t a, int64_t b)
{
    return (2 * b * k + a) / (2 * a);
}

namespace {

struct Clip {
    int left, top, right, bottom; // right and bottom exclusive
};

Clip clip_of(BITMAP* b)
{
    if (b->clip)
        return {std::max(b->cl, 0), std::max(b->ct, 0), std::min(b->cr, b->w), std::min(b->cb, b->h)};
    return {0, 0, b->w, b->h};
}

// Where pixels may go straight into memory: a 32-bit memory bitmap drawn in solid mode,
// which only the polyline may take for granted; elsewhere the library plots them.
bool direct_pixels(BITMAP* b)
{
    return is_memory_bitmap(b) && bitmap_color_depth(b) == 32;
}

inline void plot(BITMAP* b, bool direct, const Clip& c, int x, int y, int colour)
{
    if (x < c.left || x >= c.right || y < c.top || y >= c.bottom)
        return;
    if (direct)
        ((uint32_t*)b->line[y])[x] = (uint32_t)colour;
    else
        putpixel(b, x, y, colour);
}

void vertical_run(BITMAP* b, bool direct, const Clip& c, int x, int y1, int y2, int colour)
{
    if (y1 > y2)
        std::swap(y1, y2);
    if (x < c.left || x >= c.right)
        return;
    y1 = std::max(y1, c.top);
    y2 = std::min(y2, c.bottom - 1);
    if (y1 > y2)
        return;
    if (!direct) {
        vline(b, x, y1, y2, colour);
        return;
    }
    for (int y = y1; y <= y2; y++)
        ((uint32_t*)b->line[y])[x] = (uint32_t)colour;
}

void line_pixels(BITMAP* bitmap, bool direct, int x1, int y1, int x2, int y2, int colour)
{
    Clip c = clip_of(bitmap);
    if (std::max(x1, x2) < c.left || std::min(x1, x2) >= c.right || std::max(y1, y2) < c.top ||
        std::min(y1, y2) >= c.bottom)
        return;
    if (x1 == x2) {
        // The library draws these with vline too.
        vertical_run(bitmap, direct, c, x1, y1, y2, colour);
        return;
    }
    int64_t dx = (int64_t)x2 - x1, dy = (int64_t)y2 - y1;
    bool x_major = std::llabs(dx) >= std::llabs(dy);
    int64_t a = x_major ? std::llabs(dx) : std::llabs(dy);
    int64_t b = x_major ? std::llabs(dy) : std::llabs(dx);
    int p_sign = (x_major ? dx : dy) < 0 ? -1 : 1;
    int s_sign = (x_major ? dy : dx) < 0 ? -1 : 1;
    int64_t p0 = x_major ? x1 : y1, s0 = x_major ? y1 : x1;
    // Only the steps whose primary coordinate lies inside the clip can show a pixel.
    int64_t lo = x_major ? c.left : c.top, hi = (x_major ? c.right : c.bottom) - 1;
    int64_t k_first, k_last;
    if (p_sign > 0) {
        k_first = std::max<int64_t>(0, lo - p0);
        k_last = std::min<int64_t>(a, hi - p0);
    } else {
        k_first = std::max<int64_t>(0, p0 - hi);
        k_last = std::min<int64_t>(a, p0 - lo);
    }
    if (k_first > k_last)
        return;
    int64_t steps = k_first == 0 ? 0 : line_secondary_steps(k_first, a, b); // spares a division
    int64_t error = 2 * b * (k_first + 1) - a - 2 * a * steps;
    int64_t p = p0 + p_sign * k_first, s = s0 + s_sign * steps;
    for (int64_t k = k_first; k <= k_last; k++) {
        if (x_major)
            plot(bitmap, direct, c, (int)p, (int)s, colour);
        else
            plot(bitmap, direct, c, (int)s, (int)p, colour);
        if (error >= 0) {
            s += s_sign;
            error += 2 * b - 2 * a;
        } else {
            error += 2 * b;
        }
        p += p_sign;
    }
}

} // namespace

void draw_line(BITMAP* bitmap, int x1, int y1, int x2, int y2, int colour)
{
    line_pixels(bitmap, false, x1, y1, x2, y2, colour);
}

void draw_solid_column(BITMAP* bitmap, int x, int y1, int y2, int colour)
{
    vertical_run(bitmap, direct_pixels(bitmap), clip_of(bitmap), x, y1, y2, colour);
}

void draw_polyline(BITMAP* bitmap, const int32_t* xs, const int32_t* ys, int n, int colour)
{
    bool direct = direct_pixels(bitmap);
    if (!direct) {
        for (int i = 0; i + 1 < n; i++)
            draw_line(bitmap, xs[i], ys[i], xs[i + 1], ys[i + 1], colour);
        return;
    }
    Clip c = clip_of(bitmap);
    int i = 0;
    while (i + 1 < n) {
        // A run of points in one column: the segments between them cover one vertical span.
        int j = i;
        int32_t lo = ys[i], hi = ys[i];
        while (j + 1 < n && xs[j + 1] == xs[i]) {
            j++;
            lo = std::min(lo, ys[j]);
            hi = std::max(hi, ys[j]);
        }
        if (j > i)
            vertical_run(bitmap, direct, c, xs[i], lo, hi, colour);
        if (j + 1 < n)
            line_pixels(bitmap, direct, xs[j], ys[j], xs[j + 1], ys[j + 1], colour);
        i = j + 1;
    }
}

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

void draw_between(BITMAP* bitmap, double x1, double y1, double x2, double y2, int colour)
{
    if (clip_to_reach(&x1, &y1, &x2, &y2))
        draw_line(bitmap, (int32_t)x1, (int32_t)y1, (int32_t)x2, (int32_t)y2, colour);
}

void profile_line(BITMAP* bitmap, float d1, float h1, float d2, float h2, int colour)
{
    const Panel& p = profile_panel;
    draw_between(bitmap, p.x_position(d1), p.y_position(h1), p.x_position(d2), p.y_position(h2), colour);
}

void cross_line(float o1, float h1, float o2, float h2, int colour)
{
    const Panel& p = cross_panel;
    draw_between(page_buffer, p.x_position(o1), p.y_position(h1), p.x_position(o2), p.y_position(h2), colour);
}

void clip_to(BITMAP* bitmap, const Panel& panel)
{
    set_clip_rect(bitmap, panel.left, panel.top_row(), panel.right_column(), panel.bottom);
}

void unclip(BITMAP* bitmap)
{
    set_clip_rect(bitmap, 0, 0, bitmap->w - 1, bitmap->h - 1);
}
