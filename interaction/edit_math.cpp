#include "interaction/edit_math.h"

#include <cmath>

#include "track/chain.h"
#include "track/hermite.h"
#include "track/history.h"
#include "track/model.h"

namespace {

// Adds to another trace's coefficients the change that trace t's coefficients undergo.
void shift_by(TracePoint& target, const TracePoint& old, const TracePoint& now)
{
    target.height = to_int32((double)target.height + ((double)now.height - old.height));
    target.slope = to_int32((double)target.slope + ((double)now.slope - old.slope));
    target.quad = to_int32((double)target.quad + ((double)now.quad - old.quad));
    target.cubic = to_int32((double)target.cubic + ((double)now.cubic - old.cubic));
}

} // namespace

void apply_record(int section, int t, const TracePoint& record)
{
    const TracePoint old = trace_point[section][t];
    history_touch(section, t);
    if (t == centre_line_trace)
        for (int k = 0; k < num_traces; k++) {
            history_touch(section, k);
            shift_by(trace_point[section][k], old, record);
        }
    trace_point[section][t] = record;
    for (int k = 0; k < num_traces; k++)
        mirror_wrap_slot(section, k);
}

int nearest_section(float d)
{
    int t = selected_trace;
    float best = 1000000.0f;
    int best_index = 0;
    for (int i = 0; i < num_sections; i++) {
        float distance = std::fabs(d - trace_start_m[i][t]);
        if (distance < best) {
            best = distance;
            best_index = i;
        }
    }
    return best_index;
}

double start_gradient(int s, int t)
{
    int32_t length = trace_length[s][t];
    return length == 0 ? 0.0 : (double)trace_point[s][t].slope / length;
}

void edit_coefficients(int s, int t, double h, double g, TracePoint* p_new, TracePoint* s_new)
{
    const double U = UNITS_PER_METRE;
    int p = previous_section(s), n = next_slot(s);
    const TracePoint& before = trace_point[p][t];
    p_new->height = before.height;
    p_new->slope = before.slope;
    hermite_end(before.height, before.slope, h * U, g * trace_length[p][t], &p_new->quad, &p_new->cubic);

    double L = trace_length[s][t];
    s_new->height = to_int32(h * U);
    s_new->slope = to_int32(g * L);
    hermite_end(s_new->height, s_new->slope, trace_point[n][t].height, start_gradient(n, t) * L, &s_new->quad,
                &s_new->cubic);
}

void apply_edit(int s, int t, double h, double g)
{
    TracePoint p_new, s_new;
    edit_coefficients(s, t, h, g, &p_new, &s_new);
    history_begin();
    // In a one-section track p and s are the same section: its second change is then
    // measured against the first.
    apply_record(previous_section(s), t, p_new);
    apply_record(s, t, s_new);
    history_end(CHANGE_EDIT, s);
}
