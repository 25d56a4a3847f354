#include "commands/check.h"

#include <allegro.h>
#include <cmath>
#include <cstdint>

#include "display/graphics.h"
#include "interaction/flags.h"
#include "track/hermite.h"

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
    const TracePoint& b = trace_point[s + 1][t];
    Join j;
    j.end_height = (int64_t)a.height + a.slope + a.quad + a.cubic;
    j.start_height = b.height;
    j.gradients = trace_length[s][t] > 0 && trace_length[s + 1][t] > 0;
    j.end_gradient = j.gradients ? end_derivative(a) / trace_length[s][t] : 0.0;
    j.start_gradient = j.gradients ? (double)b.slope / trace_length[s + 1][t] : 0.0;
    return j;
}

} // namespace

JoinFaults check_join(int s, int t)
{
    Join j = measure(s, t);
    int64_t difference = j.end_height - j.start_height;
    JoinFaults f;
    f.gap = difference > 1 || difference < -1;
    f.kink = j.gradients && std::fabs(j.end_gradient - j.start_gradient) > (double)GRADIENT_TOLERANCE;
    return f;
}

void repair_join(int s, int t)
{
    Join j = measure(s, t);
    int64_t mid = (j.end_height + j.start_height) / 2;
    double g = (j.end_gradient + j.start_gradient) * 0.5;

    TracePoint& a = trace_point[s][t];
    double end_slope = j.gradients ? g * trace_length[s][t] : end_derivative(a);
    hermite_end(a.height, a.slope, (double)mid, end_slope, &a.quad, &a.cubic);
    mirror_wrap_slot(s, t);

    // The next section now starts at the join and still meets the one after it.
    int next = s + 1;
    int k = s == num_sections - 1 ? 1 : s + 2;
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
    report->gap_count = report->kink_count = 0;
    for (int s = 0; s < num_sections; s++) {
        bool gap = false, kink = false;
        for (int t = 0; t < num_traces; t++) {
            JoinFaults f = check_join(s, t);
            gap = gap || f.gap;
            kink = kink || f.kink;
            if (fix && (f.gap || f.kink)) {
                repair_join(s, t);
                data_modified = 1;
            }
        }
        if (gap)
            report->gap_sections[report->gap_count++] = s;
        if (kink)
            report->kink_sections[report->kink_count++] = s;
    }
}

void check_and_fix(int fix)
{
    static CheckReport report;
    int white = makecol(255, 255, 255);
    scare_mouse();
    scan_joins(fix, &report);
    for (int i = 0; i < report.gap_count; i++)
        textprintf_ex(screen, text_font, 4, 30 + 10 * i, white, -1, "Section gap: %d   ", report.gap_sections[i]);
    for (int i = 0; i < report.kink_count; i++)
        textprintf_ex(screen, text_font, 150, 30 + 10 * i, white, -1, "Section kink: %d", report.kink_sections[i]);
    if (report.gap_count)
        textprintf_ex(screen, text_font, 4, 10, white, -1, "%d sections had gaps.", report.gap_count);
    else
        textprintf_ex(screen, text_font, 4, 10, white, -1, "No height gaps found.");
    if (report.kink_count)
        textprintf_ex(screen, text_font, 4, 20, white, -1, "%d sections had gradient breaks.", report.kink_count);
    else
        textprintf_ex(screen, text_font, 4, 20, white, -1, "No gradient breaks found.");
    unscare_mouse();
    rest(500);
    if (report.gap_count || report.kink_count)
        rest(1000);
}
