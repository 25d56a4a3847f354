#include "commands/check.h"

#include <cmath>
#include <cstdint>

#include "interaction/flags.h"
#include "track/chain.h"
#include "track/hermite.h"
#include "track/history.h"

namespace {

// The single-precision value nearest to 0.0001, a hair below it.
constexpr float GRADIENT_TOLERANCE = 0.0001f;

struct Join {
    int64_t end_height, start_height;
    double end_gradient, start_gradient;
    bool gradients; // false where a section without length leaves no gradient to compare
};

Join measure(int s, int t)
{
    const TracePoint& a = trace_point[s][t];
    const int n = next_slot(s);
    const TracePoint& b = trace_point[n][t];
    Join j;
    j.end_height = (int64_t)a.height + a.slope + a.quad + a.cubic;
    j.start_height = b.height;
    j.gradients = trace_length[s][t] > 0 && trace_length[n][t] > 0;
    j.end_gradient = j.gradients ? end_derivative(a) / trace_length[s][t] : 0.0;
    j.start_gradient = j.gradients ? (double)b.slope / trace_length[n][t] : 0.0;
    return j;
}

// Adds a fault of one trace to a section's line of the report.
void note(bool fault, int t, double step, uint16_t* traces, double* largest)
{
    if (!fault)
        return;
    *traces |= (uint16_t)(1u << t);
    if (step > *largest)
        *largest = step;
}

// Lists section s with its traces at fault and the largest step among them, if there are any.
void list(int s, uint16_t traces, double largest, int& count, int* sections, uint16_t* trace_sets, double* steps)
{
    if (!traces)
        return;
    sections[count] = s;
    trace_sets[count] = traces;
    steps[count] = largest;
    count++;
}

} // namespace

JoinFaults check_join(int s, int t)
{
    Join j = measure(s, t);
    int64_t difference = j.end_height - j.start_height;
    JoinFaults f;
    f.gap = difference > 1 || difference < -1;
    f.height_step = std::fabs((double)difference);
    f.gradient_step = j.gradients ? std::fabs(j.end_gradient - j.start_gradient) : 0.0;
    f.kink = f.gradient_step > (double)GRADIENT_TOLERANCE;
    return f;
}

void repair_join(int s, int t)
{
    history_touch(s, t);
    history_touch(next_slot(s), t);
    Join j = measure(s, t);
    int64_t mid = (j.end_height + j.start_height) / 2;
    double g = (j.end_gradient + j.start_gradient) * 0.5;

    TracePoint& a = trace_point[s][t];
    double end_slope = j.gradients ? g * trace_length[s][t] : end_derivative(a);
    hermite_end(a.height, a.slope, (double)mid, end_slope, &a.quad, &a.cubic);
    mirror_wrap_slot(s, t);

    // The next section now starts at the join and still meets the one after it.
    int next = next_slot(s);
    int k = slot_after_next(s);
    TracePoint& b = trace_point[next][t];
    double length = trace_length[next][t];
    double far_height = trace_point[k][t].height;
    double far_slope = trace_length[k][t] > 0 ? (double)trace_point[k][t].slope / trace_length[k][t] * length
                                              : end_derivative(b);
    int32_t start = to_int32((double)mid);
    int32_t slope = j.gradients ? to_int32(g * length) : b.slope;
    b.height = start;
    b.slope = slope;
    hermite_end(start, slope, far_height, far_slope, &b.quad, &b.cubic);
    mirror_wrap_slot(next, t);
}

void scan_joins(int fix, CheckReport* report)
{
    report->gap_count = report->kink_count = report->repaired = 0;
    if (fix)
        history_begin();
    for (int s = 0; s < num_sections; s++) {
        uint16_t gaps = 0, kinks = 0;
        double gap_largest = 0.0, kink_largest = 0.0;
        for (int t = 0; t < num_traces; t++) {
            JoinFaults f = check_join(s, t);
            note(f.gap, t, f.height_step, &gaps, &gap_largest);
            note(f.kink, t, f.gradient_step, &kinks, &kink_largest);
            if (fix && (f.gap || f.kink)) {
                repair_join(s, t);
                report->repaired++;
            }
        }
        list(s, gaps, gap_largest, report->gap_count, report->gap_sections, report->gap_traces,
             report->gap_largest);
        list(s, kinks, kink_largest, report->kink_count, report->kink_sections, report->kink_traces,
             report->kink_largest);
    }
    if (fix) {
        history_end(CHANGE_FIX, report->repaired);
        update_data_modified();
    }
}
