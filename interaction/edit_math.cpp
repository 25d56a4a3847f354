#include "interaction/edit_math.h"

#include <cmath>

#include "track/chain.h"
#include "track/hermite.h"
#include "track/history.h"
#include "track/model.h"

namespace {

void store(TracePoint& p, const int32_t block[4])
{
    p.height = block[0];
    p.slope = block[1];
    p.quad = block[2];
    p.cubic = block[3];
}

// Adds to another trace's coefficients the change that trace t's coefficients undergo.
void shift_by(TracePoint& target, const TracePoint& old, const int32_t block[4])
{
    target.height = to_int32((double)target.height + ((double)block[0] - old.height));
    target.slope = to_int32((double)target.slope + ((double)block[1] - old.slope));
    target.quad = to_int32((double)target.quad + ((double)block[2] - old.quad));
    target.cubic = to_int32((double)target.cubic + ((double)block[3] - old.cubic));
}

} // namespace

void apply_block(int section, int t, const int32_t block[4])
{
    const TracePoint old = trace_point[section][t];
    history_touch(section, t);
    if (t == centre_line_trace)
        for (int k = 0; k < num_traces; k++) {
            history_touch(section, k);
            shift_by(trace_point[section][k], old, block);
        }
    store(trace_point[section][t], block);
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

void edit_coefficients(int s, int t, double h, double g, int32_t p_block[4], int32_t s_block[4])
{
    const double U = UNITS_PER_METRE;
    int p = previous_section(s), n = next_slot(s);
    const TracePoint& before = trace_point[p][t];
    p_block[0] = before.height;
    p_block[1] = before.slope;
    hermite_end(before.height, before.slope, h * U, g * trace_length[p][t], &p_block[2], &p_block[3]);

    double L = trace_length[s][t];
    s_block[0] = to_int32(h * U);
    s_block[1] = to_int32(g * L);
    hermite_end(s_block[0], s_block[1], trace_point[n][t].height, start_gradient(n, t) * L, &s_block[2],
                &s_block[3]);
}

void apply_edit(int s, int t, double h, double g)
{
    int32_t p_block[4], s_block[4];
    edit_coefficients(s, t, h, g, p_block, s_block);
    history_begin();
    // In a one-section track p and s are the same section: its second change is then
    // measured against the first.
    apply_block(previous_section(s), t, p_block);
    apply_block(s, t, s_block);
    history_end(CHANGE_EDIT, s);
}
