// An edit at a section boundary, and the tolerances of finding and repairing height gaps and gradient
// breaks where sections meet (what the check reports on the demo is in the golden images).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "commands/check.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "support.h"
#include "track/history.h"

static std::vector<int32_t> snapshot()
{
    const int32_t* p = &trace_point[0][0].height;
    return {p, p + sizeof trace_point / 4};
}
static std::vector<int32_t> fields(const TracePoint& p) { return {p.height, p.slope, p.quad, p.cubic}; }
static bool clean(int s, int t) { return !check_join(s, t).gap && !check_join(s, t).kink; }
static bool wrap_mirrors_0() { return !std::memcmp(trace_point[num_sections], trace_point[0], sizeof trace_point[0]); }

// Each trace level at its own height, every section `length` long.
static void flat_track(int sections, int traces, int32_t length)
{
    fresh_model(sections, traces);
    for (int s = 0; s <= sections; s++)
        for (int t = 0; t < traces; t++)
            trace_point[s][t] = {1000 * t, 0, 0, 0}, trace_length[s][t] = length;
}

// On the demo (150 sections, 7 traces, centre line 3) the trace passes through the new height with the
// new gradient, joining its neighbours smoothly; the section before keeps its start. A centre-line edit
// moves every trace of both sections alike; nothing else changes and the wrap-around slot copies section 0.
TEST(Edit, NewHeightAndGradientAtASectionStart)
{
    const struct { int s, t; double h, g; } edits[] = {{2, 0, 2.345, 0.0123456}, {5, 3, 3.21, -0.0077},
                                                       {0, 2, -1.5, 0.02}, {149, 2, 4.0, -0.01}};
    for (const auto& e : edits) {
        load_demo_track();
        trace_point[e.s][e.t ? 0 : 1].slope += 999; // traces of different gradients
        const auto before = snapshot();
        const int p = e.s ? e.s - 1 : 149, S = (e.s * MAX_TRACES + e.t) * 4, P = (p * MAX_TRACES + e.t) * 4;
        apply_edit(e.s, e.t, e.h, e.g);
        const auto after = snapshot();
        EXPECT_EQ(std::vector<int>({after[S], after[S + 1], after[P] - before[P], after[P + 1] - before[P + 1]}),
                  std::vector<int>({(int32_t)(e.h * 19685), (int32_t)(e.g * trace_length[e.s][e.t]), 0, 0}));
        EXPECT_TRUE(clean(p, e.t) && clean(e.s, e.t) && wrap_mirrors_0()) << e.s;
        for (int i = 0; i < num_sections * MAX_TRACES * 4; i++) { // changed as the edited trace, or not at all
            const int s = i / 4 / MAX_TRACES, t = i / 4 % MAX_TRACES, k = (s * MAX_TRACES + e.t) * 4 + i % 4;
            const bool edited = (s == p || s == e.s) && (t == e.t || (e.t == 3 && t < num_traces));
            EXPECT_EQ((int64_t)after[i] - before[i], edited ? (int64_t)after[k] - before[k] : 0) << s << "/" << t;
        }
    }
    // A next section without length counts as flat. Coefficients beyond the integer range saturate, also
    // those of the other traces moved along; so does a repaired join.
    trace_length[3][1] = 0;
    apply_edit(2, 1, 1.0, 0.005);
    EXPECT_TRUE(std::fabs(end_height(trace_point[2][1]) - trace_point[3][1].height) <= 1 &&
                std::fabs(end_derivative(trace_point[2][1])) < 5);
    apply_edit(2, 3, 1.0e6, 0.0); // the centre line: trace 0 moves along
    const TracePoint &a = trace_point[2][0], &b = trace_point[1][0];
    EXPECT_EQ(std::vector<int32_t>({trace_point[2][3].height, a.height > 2000000000, a.quad, a.cubic, b.quad, b.cubic}),
              std::vector<int32_t>({INT32_MAX, true, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}));
    flat_track(5, 1, 100000);
    trace_point[1][0] = {INT32_MAX, INT32_MAX, 0, 0}, trace_point[2][0] = {INT32_MAX, 0, 0, 0};
    repair_join(1, 0); // the join height lies above the range
    EXPECT_EQ(fields(trace_point[2][0]), fields({INT32_MAX, trace_point[2][0].slope, INT32_MIN, INT32_MAX}));
}

// Heights may differ by one unit, gradients by a hair less than 0.0001 (on long sections a unit of height
// bends the gradient too little to count); a sum beyond 32 bits does not wrap around. Where a section has
// no length only the heights count, and a repair there keeps both slopes.
TEST(Check, JoinTolerances)
{
    const struct { TracePoint end, start; int32_t lengths[2]; bool gap, kink; } joins[] = { // sections 1 and 2
        {{0, 0, 0, 1}, {0, 0, 0, 0}, {100000, 100000}, false, false},
        {{0, 0, 0, 2}, {0, 0, 0, 0}, {100000, 100000}, true, false},
        {{0, 0, 0, 0}, {0, 1, 0, 0}, {10000, 10000}, false, true}, // exactly 0.0001
        {{0, 0, 0, 0}, {0, 1, 0, 0}, {10001, 10001}, false, false},
        {{0, 0, -20001, 20001}, {0, 1, 0, 0}, {200000000, 199999999}, false, true}, // a hair below 0.0001
        {{INT32_MAX, INT32_MAX, 1, 1}, {0, 0, 0, 0}, {100000, 100000}, true, true}, // ends at 2^32
        {{0, 0, 300, -100}, {240, 5000, -5240, 0}, {10000, 0}, true, false},
    };
    for (const auto& j : joins) {
        flat_track(4, 1, 10000);
        trace_point[1][0] = j.end, trace_point[2][0] = j.start;
        trace_length[1][0] = j.lengths[0], trace_length[2][0] = j.lengths[1];
        EXPECT_TRUE(check_join(1, 0).gap == j.gap && check_join(1, 0).kink == j.kink) << &j - joins;
    }
    static CheckReport r;
    scan_joins(1, &r); // the golden check images show the report on the demo
    EXPECT_TRUE(r.gap_count == 1 && r.gap_sections[0] == 1 && r.kink_count == 0);
    EXPECT_EQ((std::vector<double>{end_derivative(trace_point[1][0]), (double)trace_point[2][0].slope,
                                   (double)trace_point[2][0].height}), (std::vector<double>{300, 5000, 220}));
    history_mark_saved(), update_data_modified(); // and a clean track gives no report and no change
    scan_joins(1, &r);
    EXPECT_TRUE(clean(1, 0) && clean(2, 0) && r.gap_count + r.kink_count == 0 && !data_modified);
}
