// Edit arithmetic at a section boundary, the nearest-section search, and finding and
// repairing height gaps and gradient breaks where sections meet.
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

static bool operator==(const TracePoint& a, const TracePoint& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

namespace {

std::vector<TracePoint> snapshot()
{
    return std::vector<TracePoint>(&trace_point[0][0], &trace_point[0][0] + MAX_SECTIONS * MAX_TRACES);
}

bool wrap_mirrors_0()
{
    return std::memcmp(trace_point[num_sections], trace_point[0], sizeof trace_point[0]) == 0;
}

bool join_clean(int s, int t)
{
    return !check_join(s, t).gap && !check_join(s, t).kink;
}

using Columns = std::pair<std::vector<int>, std::vector<int>>; // sections with gaps, with breaks

Columns scan(int fix)
{
    static CheckReport r;
    scan_joins(fix, &r);
    return {{r.gap_sections, r.gap_sections + r.gap_count}, {r.kink_sections, r.kink_sections + r.kink_count}};
}

// Each trace level at its own height, every section `length` long.
void build_flat_track(int sections, int traces, int32_t length)
{
    fresh_model(sections, traces);
    for (int s = 0; s <= sections; s++)
        for (int t = 0; t < traces; t++)
            trace_point[s][t] = {1000 * t, 0, 0, 0}, trace_length[s][t] = length;
}

} // namespace

// On the demo track (150 sections, 7 traces, centre line 3; the joins after sections 0 to
// 11 and 140 to 148 are clean). In a single-trace edit section p keeps its start and
// reaches the new height h with gradient g; section s starts there and still meets section
// n's start height and gradient; nothing else changes.
TEST(Edit, EditsInTheMiddle)
{
    load_demo_track();
    auto want = snapshot();
    const int p = 1, s = 2, n = 3, t = 0;
    const double h = 2.345, g = 0.0123456, Lp = trace_length[p][t], Ls = trace_length[s][t];
    TracePoint &P = want[p * MAX_TRACES + t], &S = want[s * MAX_TRACES + t], N = want[n * MAX_TRACES + t];
    double D = h * UNITS_PER_METRE - P.height, gn = (double)N.slope / trace_length[n][t];
    P.quad = (int32_t)(3 * D - g * Lp - 2 * P.slope), P.cubic = (int32_t)(g * Lp - 2 * D + P.slope);
    S = {(int32_t)(h * UNITS_PER_METRE), (int32_t)(g * Ls), 0, 0};
    double E = N.height - S.height;
    S.quad = (int32_t)(3 * E - gn * Ls - 2 * S.slope), S.cubic = (int32_t)(gn * Ls - 2 * E + S.slope);
    apply_edit(s, t, h, g);
    EXPECT_TRUE(snapshot() == want);
    EXPECT_TRUE(join_clean(p - 1, t) && join_clean(p, t) && join_clean(s, t));

    // An edit of the centre line moves every trace by the same amounts.
    trace_point[4][0].slope += 999, trace_point[5][0].slope -= 999; // traces of different gradients
    auto before = snapshot();
    apply_edit(5, 3, 3.21, -0.0077);
    auto change = [&](int sec, int k) {
        const TracePoint &a = trace_point[sec][k], &b = before[sec * MAX_TRACES + k];
        return std::vector<int>{a.height - b.height, a.slope - b.slope, a.quad - b.quad, a.cubic - b.cubic};
    };
    for (int k = 0; k <= num_traces; k++) // the slot beyond the trace count stays
        for (int sec : {4, 5})
            EXPECT_EQ(change(sec, k), k < num_traces ? change(sec, 3) : std::vector<int>(4, 0)) << sec << "/" << k;
    EXPECT_NE(change(5, 0), std::vector<int>(4, 0));
}

// At section 0 the last section ends at the edited boundary; at the last section the
// successor is the wrap-around slot, so it ends at section 0's start. The slot stays a
// copy of section 0. A next section without length counts as flat.
TEST(Edit, EditsAtBothEndsOfTheChainAndBeforeASectionWithoutLength)
{
    load_demo_track();
    for (int s : {0, 149}) {
        auto before = snapshot();
        apply_edit(s, 2, s ? 4.0 : -1.5, s ? -0.01 : 0.02);
        EXPECT_EQ(trace_point[s][2].height, s ? 78740 : -29527); // truncated toward zero
        EXPECT_FALSE(trace_point[149][2] == before[149 * MAX_TRACES + 2]);
        EXPECT_TRUE(trace_point[s ? 0 : 1][2] == before[(s ? 0 : 1) * MAX_TRACES + 2]);
        EXPECT_TRUE(wrap_mirrors_0() && join_clean(147, 2) && join_clean(148, 2) && join_clean(149, 2) &&
                    join_clean(0, 2));
    }
    trace_length[3][1] = 0;
    apply_edit(2, 1, 1.0, 0.005);
    EXPECT_LE(std::fabs(end_height(trace_point[2][1]) - trace_point[3][1].height), 1.0);
    EXPECT_LT(std::fabs(end_derivative(trace_point[2][1])), 5.0);
}

// Coefficients beyond the integer range saturate; in a whole-width edit the other traces
// saturate too instead of wrapping around. The same holds for a repaired join.
TEST(Edit, HeightsBeyondTheIntegerRangeSaturate)
{
    load_demo_track();
    apply_edit(2, 0, 1.0e6, 0.0);
    const TracePoint &p = trace_point[1][0], &s = trace_point[2][0];
    EXPECT_EQ((std::vector<int32_t>{s.height, s.quad, s.cubic, p.quad, p.cubic}),
              (std::vector<int32_t>{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}));
    apply_edit(2, 3, 1.0e6, 0.0);
    for (int k = 0; k < num_traces; k++)
        EXPECT_GT(trace_point[2][k].height, 2000000000) << "trace " << k;

    build_flat_track(5, 1, 100000);
    trace_point[1][0] = {INT32_MAX, INT32_MAX, 1, 1}; // ends at 2^32, which must not wrap to 0
    EXPECT_TRUE(check_join(1, 0).gap);
    trace_point[1][0] = {INT32_MAX, INT32_MAX, 0, 0};
    trace_point[2][0] = {INT32_MAX, 0, 0, 0};
    repair_join(1, 0); // the join height lies above the range
    EXPECT_EQ((std::vector<int32_t>{s.height, s.quad, s.cubic}),
              (std::vector<int32_t>{INT32_MAX, INT32_MIN, INT32_MAX}));
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

// A clean track gives no report and no change. Heights may differ by one unit, gradients
// by a hair less than 0.0001; on long sections moving the end height bends the end
// gradient far too little to count.
TEST(Check, JoinTolerances)
{
    build_flat_track(4, 2, 10000);
    auto before = snapshot();
    EXPECT_EQ(scan(1), Columns());
    EXPECT_TRUE(snapshot() == before && data_modified == 0);
    trace_length[1][1] = trace_length[2][1] = 100000;
    for (int d : {1, -1, 2, -2}) {
        trace_point[1][1].cubic = d;
        EXPECT_TRUE(check_join(1, 1).gap == (d * d == 4) && !check_join(1, 1).kink) << d;
    }
    for (int sign : {1, -1}) {
        trace_point[2][0].slope = sign; // exactly 0.0001 steeper or less steep than the end of section 1
        trace_length[1][0] = trace_length[2][0] = 10000;
        EXPECT_TRUE(check_join(1, 0).kink && !check_join(1, 0).gap) << sign;
        trace_length[1][0] = trace_length[2][0] = 10001;
        EXPECT_FALSE(check_join(1, 0).kink) << sign;
        trace_length[1][0] = 200000000, trace_length[2][0] = 199999999; // 20001 / 2e8 - 1 / 199999999,
        trace_point[1][0] = {0, 0, -sign * 20001, sign * 20001};          // a hair below 0.0001
        EXPECT_TRUE(check_join(1, 0).kink) << sign;
        trace_point[1][0] = {0, 0, 0, 0};
    }
    // Where a section has no length only the heights count, and a repair keeps both slopes.
    trace_length[2][0] = 0;
    trace_point[1][0] = {0, 0, 300, -100};     // ends at 200, rising
    trace_point[2][0] = {240, 5000, -5240, 0}; // 40 units higher, and wildly steep
    EXPECT_TRUE(check_join(1, 0).gap && !check_join(1, 0).kink && !check_join(2, 0).kink);
    EXPECT_EQ(scan(1), Columns({1}, {}));
    EXPECT_EQ((std::vector<double>{end_derivative(trace_point[1][0]), (double)trace_point[2][0].slope,
                                   (double)trace_point[2][0].height}),
              (std::vector<double>{300, 5000, 220}));
    EXPECT_TRUE(join_clean(1, 0) && join_clean(2, 0));
}

// A section appears once in a column however many traces are faulty there, and may
// appear in both. Repairs at the wrap-around keep section 0 and its copy equal.
TEST(Check, ColumnsAndWrapAround)
{
    build_flat_track(6, 4, 10000000);
    for (int t : {0, 1, 3})
        trace_point[2][t].cubic = 50;              // gaps on three traces after section 2
    trace_point[4][1].cubic = 50;                  // a gap after section 4 on one trace,
    trace_point[5][2] = {2000, 2000, -4000, 2000}; // a break on another; section 5 ends level and flat
    EXPECT_EQ(scan(0), Columns({2, 4}, {4}));
    for (int s : {4, 0}) {
        build_flat_track(5, 3, 100000);
        trace_point[s][1].cubic = 700; // a gap and a break after section s
        trace_point[5][1] = trace_point[0][1];
        EXPECT_EQ(scan(1), Columns({s}, {s}));
        EXPECT_NE(trace_point[(s + 1) % 5][1].height, 1000) << s;
        EXPECT_TRUE(wrap_mirrors_0()) << s;
        EXPECT_EQ(scan(1), Columns()) << s;
    }
}

// Checking never marks the data modified; a fix reports the joins as found and marks it,
// then leaves nothing to repair.
TEST(Check, DemoTrackFaultsAreFoundAndFixed)
{
    load_demo_track();
    const Columns faults({12, 58, 87, 126, 149}, {31, 58, 104, 149});
    auto before = snapshot();
    EXPECT_EQ(scan(0), faults);
    EXPECT_TRUE(snapshot() == before && data_modified == 0);
    EXPECT_EQ(scan(1), faults);
    EXPECT_TRUE(data_modified == 1 && wrap_mirrors_0());
    data_modified = 0, before = snapshot();
    EXPECT_EQ(scan(1), Columns());
    EXPECT_TRUE(snapshot() == before && data_modified == 0);
}
