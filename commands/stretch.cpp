#include "commands/stretch.h"

#include <cstdint>

#include "display/view.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "track/hermite.h"
#include "track/history.h"
#include "track/model.h"

namespace {

// Boundary n of the stretch is the start of section first + n, for n = 0 to count; the last
// one is the start of the section after the stretch (the wrap-around slot after the last
// section). Along the trace: distance from the stretch's start, height and gradient there,
// the old values and, for the inner boundaries, the new ones.
struct Boundaries {
    int first, count, trace;
    double x[MAX_SECTIONS + 1], height[MAX_SECTIONS + 1], gradient[MAX_SECTIONS + 1];
    double new_height[MAX_SECTIONS + 1], new_gradient[MAX_SECTIONS + 1];
};

// Program-wide like the model: far too large for the stack.
Boundaries b;
TracePoint records[MAX_SECTIONS];

// Reads the view's stretch and the selected trace; false where they name no stretch.
bool measure()
{
    const int i = first_section, j = last_section, t = selected_trace;
    if (num_sections < 1 || num_sections >= MAX_SECTIONS || i < 0 || i > j || j >= num_sections || t < 0 ||
        t >= num_traces)
        return false;
    b.first = i, b.count = j - i + 1, b.trace = t;
    b.x[0] = 0.0;
    for (int n = 0; n <= b.count; n++) {
        b.height[n] = b.new_height[n] = trace_point[i + n][t].height;
        b.gradient[n] = b.new_gradient[n] = start_gradient(i + n, t);
        if (n < b.count)
            b.x[n + 1] = b.x[n] + trace_length[i + n][t];
    }
    return true;
}

// The Hermite cubic over the whole stretch between its end heights and gradients, at each inner
// boundary. A stretch of several sections without length has no such cubic; false then.
bool level_boundaries()
{
    const double X = b.x[b.count], h0 = b.height[0], g0 = b.gradient[0];
    const double h1 = b.height[b.count], g1 = b.gradient[b.count];
    if (X == 0.0 && b.count > 1)
        return false;
    for (int n = 1; n < b.count; n++) {
        const double v = b.x[n] / X, v2 = v * v, v3 = v2 * v;
        b.new_height[n] = (2 * v3 - 3 * v2 + 1) * h0 + (v3 - 2 * v2 + v) * X * g0 + (-2 * v3 + 3 * v2) * h1 +
                          (v3 - v2) * X * g1;
        b.new_gradient[n] = (6 * (v2 - v) * h0 + (3 * v2 - 4 * v + 1) * X * g0 + 6 * (v - v2) * h1 +
                             (3 * v2 - 2 * v) * X * g1) / X;
    }
    return true;
}

// Each inner height from the old ones beside it, then each gradient along the chord between the
// new neighbours (0 where they lie at the same distance).
bool smooth_boundaries()
{
    for (int n = 1; n < b.count; n++)
        b.new_height[n] = 0.25 * b.height[n - 1] + 0.5 * b.height[n] + 0.25 * b.height[n + 1];
    for (int n = 1; n < b.count; n++) {
        const double run = b.x[n + 1] - b.x[n - 1];
        b.new_gradient[n] = run == 0.0 ? 0.0 : (b.new_height[n + 1] - b.new_height[n - 1]) / run;
    }
    return true;
}

// Trace t's new records of the stretch's sections, each from its start to the next one's start;
// the first keeps its start, the last ends where the section after the stretch starts. Whether
// any field differs from the model.
bool fit_sections()
{
    bool changed = false;
    for (int n = 0; n < b.count; n++) {
        const int k = b.first + n;
        const TracePoint& old = trace_point[k][b.trace];
        const double length = trace_length[k][b.trace];
        TracePoint& p = records[n];
        p.height = n == 0 ? old.height : to_int32(b.new_height[n]);
        p.slope = n == 0 ? old.slope : to_int32(b.new_gradient[n] * length);
        const double end = n + 1 < b.count ? (double)to_int32(b.new_height[n + 1]) : b.height[b.count];
        hermite_end(p.height, p.slope, end, b.new_gradient[n + 1] * length, &p.quad, &p.cubic);
        changed = changed || p.height != old.height || p.slope != old.slope || p.quad != old.quad ||
                  p.cubic != old.cubic;
    }
    return changed;
}

bool rewrite_stretch(bool (*boundaries)(), ChangeKind kind)
{
    if (!measure() || !boundaries() || !fit_sections())
        return false;
    history_begin();
    for (int n = 0; n < b.count; n++)
        apply_record(b.first + n, b.trace, records[n]);
    history_end(kind, b.first, b.first + b.count - 1);
    update_data_modified();
    return true;
}

} // namespace

bool level_stretch()
{
    return rewrite_stretch(level_boundaries, CHANGE_LEVEL);
}

bool smooth_stretch()
{
    return rewrite_stretch(smooth_boundaries, CHANGE_SMOOTH);
}
