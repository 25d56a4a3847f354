// An edit at a section boundary, the nearest-section search, and finding and repairing
// height gaps and gradient breaks where sections meet.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "commands/check.h"
#include "display/view.h"
#include "interaction/edit.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "support.h"
#include "track/model.h"

namespace {

using Point = std::vector<int64_t>; // height, slope, quad, cubic

Point at(int s, int t)
{
    const TracePoint& p = trace_point[s][t];
    return {p.height, p.slope, p.quad, p.cubic};
}

std::vector<Point> snapshot()
{
    std::vector<Point> all;
    for (int i = 0; i < MAX_SECTIONS * MAX_TRACES; i++)
        all.push_back(at(i / MAX_TRACES, i % MAX_TRACES));
    return all;
}

bool clean(int s, int t)
{
    return !check_join(s, t).gap && !check_join(s, t).kink;
}

bool wrap_mirrors_0()
{
    return std::memcmp(trace_point[num_sections], trace_point[0], sizeof trace_point[0]) == 0;
}

using Columns = std::pair<std::vector<int>, std::vector<int>>; // sections with gaps, with breaks

Columns scan(int fix)
{
    static CheckReport r;
    scan_joins(fix, &r);
    return {{r.gap_sections, r.gap_sections + r.gap_count}, {r.kink_sections, r.kink_sections + r.kink_count}};
}

// Each trace level at its own height, every section `length` long.
void flat_track(int sections, int traces, int32_t length)
{
    fresh_model(sections, traces);
    for (int s = 0; s <= sections; s++)
        for (int t = 0; t < traces; t++)
            trace_point[s][t] = {1000 * t, 0, 0, 0}, trace_length[s][t] = length;
}

} // namespace

// On the demo (150 sections, 7 traces, centre line 3): the trace passes through the new
// height with the new gradient and still joins its neighbours smoothly; the section before
// keeps its start. An edit of the centre line moves every trace of both sections alike;
// nothing else changes, and the wrap-around slot stays a copy of section 0.
TEST(Edit, NewHeightAndGradientAtASectionStart)
{
    const struct {
        int s, t;
        double h, g;
    } edits[] = {{2, 0, 2.345, 0.0123456}, {5, 3, 3.21, -0.0077}, {0, 2, -1.5, 0.02}, {149, 2, 4.0, -0.01}};
    for (const auto& e : edits) {
        load_demo_track();
        trace_point[e.s][e.t ? 0 : 1].slope += 999; // traces of different gradients
        const auto before = snapshot();
        const int p = e.s ? e.s - 1 : 149;
        apply_edit(e.s, e.t, e.h, e.g);
        const Point S = at(e.s, e.t), P = at(p, e.t), old_P = before[p * MAX_TRACES + e.t];
        EXPECT_EQ(S, Point({(int32_t)(e.h * 19685), (int32_t)(e.g * trace_length[e.s][e.t]), S[2], S[3]}));
        EXPECT_EQ(P, Point({old_P[0], old_P[1], P[2], P[3]}));
        EXPECT_TRUE(clean(p, e.t) && clean(e.s, e.t) && wrap_mirrors_0()) << e.s;
        const auto after = snapshot();
        for (int i = 0; i < num_sections * MAX_TRACES; i++) {
            int s = i / MAX_TRACES, t = i % MAX_TRACES, k = s * MAX_TRACES + e.t;
            bool edited = (s == p || s == e.s) && (t == e.t || (e.t == 3 && t < num_traces));
            for (int f = 0; f < 4; f++) // changed as the edited trace, or not at all
                EXPECT_EQ(after[i][f] - before[i][f], edited ? after[k][f] - before[k][f] : 0) << s << "/" << t;
        }
    }
}

// A next section without length counts as flat. Coefficients beyond the integer range
// saturate, also those of the other traces moved along; so does a repaired join.
TEST(Edit, SectionWithoutLengthAndSaturation)
{
    load_demo_track();
    trace_length[3][1] = 0;
    apply_edit(2, 1, 1.0, 0.005);
    EXPECT_LE(std::fabs(end_height(trace_point[2][1]) - trace_point[3][1].height), 1.0);
    EXPECT_LT(std::fabs(end_derivative(trace_point[2][1])), 5.0);
    apply_edit(2, 0, 1.0e6, 0.0);
    EXPECT_EQ(Point({at(2, 0)[0], at(2, 0)[2], at(2, 0)[3], at(1, 0)[2], at(1, 0)[3]}),
              Point({INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}));
    apply_edit(2, 3, 1.0e6, 0.0);
    for (int k = 0; k < num_traces; k++)
        EXPECT_GT(trace_point[2][k].height, 2000000000) << "trace " << k;
    flat_track(5, 1, 100000);
    trace_point[1][0] = {INT32_MAX, INT32_MAX, 0, 0}, trace_point[2][0] = {INT32_MAX, 0, 0, 0};
    repair_join(1, 0); // the join height lies above the range
    EXPECT_EQ(at(2, 0), Point({INT32_MAX, at(2, 0)[1], INT32_MIN, INT32_MAX}));
}

// Along the selected trace only, over all sections rather than the shown ones; a tie goes
// to the lower section, and nothing within 1000000 m gives section 0.
TEST(Edit, NearestSection)
{
    fresh_model(6, 2);
    selected_trace = 1, first_section = 0, last_section = 1;
    for (int i = 0; i < num_sections; i++)
        trace_start_m[i][0] = 1000.0f * i, trace_start_m[i][1] = 10.0f * i;
    const std::pair<float, int> cases[] = {{15, 1}, {16, 2}, {48, 5}, {-3, 0}, {999000, 5}, {5.0e6f, 0}};
    for (auto& c : cases)
        EXPECT_EQ(nearest_section(c.first), c.second) << c.first;
}

// Heights may differ by one unit, gradients by a hair less than 0.0001 (on long sections a
// unit of height bends the gradient far too little to count); a sum beyond 32 bits does not
// wrap around. Where a section has no length only the heights count.
TEST(Check, JoinTolerances)
{
    const struct {
        TracePoint end, start; // of sections 1 and 2
        int32_t lengths[2];
        bool gap, kink;
    } joins[] = {
        {{0, 0, 0, 1}, {0, 0, 0, 0}, {100000, 100000}, false, false},
        {{0, 0, 0, -1}, {0, 0, 0, 0}, {100000, 100000}, false, false},
        {{0, 0, 0, 2}, {0, 0, 0, 0}, {100000, 100000}, true, false},
        {{0, 0, 0, -2}, {0, 0, 0, 0}, {100000, 100000}, true, false},
        {{0, 0, 0, 0}, {0, 1, 0, 0}, {10000, 10000}, false, true}, // exactly 0.0001
        {{0, 0, 0, 0}, {0, -1, 0, 0}, {10000, 10000}, false, true},
        {{0, 0, 0, 0}, {0, 1, 0, 0}, {10001, 10001}, false, false},
        {{0, 0, -20001, 20001}, {0, 1, 0, 0}, {200000000, 199999999}, false, true}, // a hair below 0.0001
        {{0, 0, 20001, -20001}, {0, -1, 0, 0}, {200000000, 199999999}, false, true},
        {{INT32_MAX, INT32_MAX, 1, 1}, {0, 0, 0, 0}, {100000, 100000}, true, true}, // ends at 2^32
        {{0, 0, 300, -100}, {240, 5000, -5240, 0}, {10000, 0}, true, false},
    };
    for (const auto& j : joins) {
        flat_track(4, 1, 10000);
        trace_point[1][0] = j.end, trace_point[2][0] = j.start;
        trace_length[1][0] = j.lengths[0], trace_length[2][0] = j.lengths[1];
        EXPECT_TRUE(check_join(1, 0).gap == j.gap && check_join(1, 0).kink == j.kink) << &j - joins;
    }
    // A repair next to a section without length keeps both slopes.
    EXPECT_EQ(scan(1), Columns({1}, {}));
    EXPECT_EQ((std::vector<double>{end_derivative(trace_point[1][0]), (double)trace_point[2][0].slope,
                                   (double)trace_point[2][0].height}),
              (std::vector<double>{300, 5000, 220}));
    EXPECT_TRUE(clean(1, 0) && clean(2, 0) && !check_join(2, 0).kink);
}

// A section appears once in a column however many traces are faulty there, and may
// appear in both. Repairs at the wrap-around keep section 0 and its copy equal; a clean
// track gives no report and no change.
TEST(Check, ColumnsAndWrapAround)
{
    flat_track(6, 4, 10000000);
    for (int t : {0, 1, 3})
        trace_point[2][t].cubic = 50;              // gaps on three traces after section 2
    trace_point[4][1].cubic = 50;                  // a gap after section 4 on one trace,
    trace_point[5][2] = {2000, 2000, -4000, 2000}; // a break on another; section 5 ends level and flat
    EXPECT_EQ(scan(0), Columns({2, 4}, {4}));
    for (int s : {4, 0}) {
        flat_track(5, 3, 100000);
        trace_point[s][1].cubic = 700; // a gap and a break after section s
        trace_point[5][1] = trace_point[0][1];
        EXPECT_EQ(scan(1), Columns({s}, {s}));
        EXPECT_NE(trace_point[(s + 1) % 5][1].height, 1000) << s;
        const auto repaired = snapshot();
        data_modified = 0;
        EXPECT_TRUE(wrap_mirrors_0() && scan(1) == Columns() && snapshot() == repaired && !data_modified) << s;
    }
}
