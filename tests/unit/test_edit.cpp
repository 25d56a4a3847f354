// Edit arithmetic at a section boundary and the nearest-section search.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "commands/check.h"
#include "display/view.h"
#include "interaction/edit.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "track/lengths.h"
#include "track/model.h"

// A closed track of straight sections whose traces join exactly in height and gradient:
// boundary gradients are whole multiples of 1/10000 and lengths multiples of 100000, so
// every coefficient is a whole number. Also used by the check and key tests.
void build_smooth_track(int sections, int traces, int centre)
{
    reset_track_model();
    data_modified = quit_requested = 0;
    num_sections = sections;
    num_traces = traces;
    centre_trace = centre;
    auto node_height = [&](int s, int t) { return 50000 * t + 30000 * ((s % sections) * 7 % 5); };
    auto node_gradient = [&](int s) { return (s % sections) * 3 % 7 - 3; }; // in 1/10000
    for (int s = 0; s < sections; s++) {
        int64_t L = section_length[s] = 100000 * (1 + s % 3);
        for (int t = 0; t < traces; t++) {
            int64_t a = node_height(s, t), b = node_gradient(s) * L / 10000;
            int64_t d = node_height(s + 1, t) - a, e = node_gradient(s + 1) * L / 10000;
            trace_point[s][t] = {(int32_t)a, (int32_t)b, (int32_t)(3 * d - e - 2 * b), (int32_t)(e - 2 * d + b)};
        }
    }
    compute_trace_lengths(); // also fills the wrap-around slot
}

namespace {

std::vector<TracePoint> snapshot()
{
    return std::vector<TracePoint>(&trace_point[0][0], &trace_point[0][0] + MAX_SECTIONS * MAX_TRACES);
}

bool same(const TracePoint& a, const TracePoint& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool join_clean(int s, int t)
{
    JoinFaults f = check_join(s, t);
    return !f.gap && !f.kink;
}

int32_t trunc32(double v)
{
    return (int32_t)std::trunc(v);
}

} // namespace

TEST(EditMath, SingleTraceEditFollowsHermiteFormulas)
{
    build_smooth_track(6, 3, 1);
    const auto before = snapshot();
    auto old = [&](int s, int t) { return before[s * MAX_TRACES + t]; };
    const int s = 2, t = 0, p = 1, n = 3;
    const double h = 2.345, g = 0.0123456, U = 19685.0;
    apply_edit(s, t, h, g);

    // Section p keeps its start and reaches h with gradient g.
    double Lp = trace_length[p][t], D = h * U - old(p, t).height, b = old(p, t).slope;
    TracePoint want_p = {old(p, t).height, old(p, t).slope, trunc32(3 * D - g * Lp - 2 * b),
                         trunc32(g * Lp - 2 * D + b)};
    // Section s starts there and still meets section n's start height and gradient.
    double Ls = trace_length[s][t];
    int32_t A = trunc32(h * U), B = trunc32(g * Ls);
    double E = old(n, t).height - A, gn = (double)old(n, t).slope / trace_length[n][t];
    TracePoint want_s = {A, B, trunc32(3 * E - gn * Ls - 2 * B), trunc32(gn * Ls - 2 * E + B)};
    EXPECT_TRUE(same(trace_point[p][t], want_p));
    EXPECT_TRUE(same(trace_point[s][t], want_s));

    for (int sec = 0; sec <= num_sections; sec++)
        for (int k = 0; k < MAX_TRACES; k++)
            EXPECT_TRUE((k == t && (sec == p || sec == s)) || same(trace_point[sec][k], old(sec, k)))
                << sec << "/" << k;
    for (int j : {p - 1, p, s})
        EXPECT_TRUE(join_clean(j, t)) << "join after " << j;
}

TEST(EditMath, CentreLineEditMovesEveryTraceByTheSameAmount)
{
    build_smooth_track(6, 4, 1);
    const auto before = snapshot();
    const int t = centre_line_trace;
    apply_edit(4, t, 3.21, -0.0077);
    auto change = [&](int s, int k) {
        const TracePoint &a = trace_point[s][k], &b = before[s * MAX_TRACES + k];
        return std::vector<int>{a.height - b.height, a.slope - b.slope, a.quad - b.quad, a.cubic - b.cubic};
    };
    for (int s : {3, 4})
        for (int k = 0; k < num_traces; k++)
            EXPECT_EQ(change(s, k), change(s, t)) << s << "/" << k;
    EXPECT_NE(change(4, 0), std::vector<int>(4, 0));
    EXPECT_EQ(change(4, num_traces), std::vector<int>(4, 0)); // slots beyond the trace count
    for (int k = 0; k < num_traces; k++)
        for (int j : {2, 3, 4})
            EXPECT_TRUE(join_clean(j, k)) << "join after " << j << ", trace " << k;
}

TEST(EditMath, EditsAtBothEndsOfTheChainGoThroughTheWrapAroundSlot)
{
    build_smooth_track(5, 3, 1);
    const int last = 4, t = 2;
    auto wrap_mirrors_0 = [] {
        return std::memcmp(trace_point[num_sections], trace_point[0], num_traces * sizeof(TracePoint)) == 0;
    };
    // At section 0 the last section is the one ending at the edited boundary.
    auto before = snapshot();
    apply_edit(0, t, -1.5, 0.02);
    EXPECT_EQ(trace_point[0][t].height, -29527); // truncated toward zero
    EXPECT_FALSE(same(trace_point[last][t], before[last * MAX_TRACES + t]));
    EXPECT_TRUE(same(trace_point[1][t], before[1 * MAX_TRACES + t]));
    EXPECT_TRUE(wrap_mirrors_0());
    EXPECT_TRUE(join_clean(last, t) && join_clean(0, t));

    // At the last section its successor is the wrap-around slot: it ends at section 0's start.
    before = snapshot();
    apply_edit(last, t, 4.0, -0.01);
    EXPECT_TRUE(same(trace_point[0][t], before[t]));
    EXPECT_TRUE(wrap_mirrors_0());
    EXPECT_TRUE(join_clean(last - 1, t) && join_clean(last, t));
}

TEST(EditMath, NextSectionWithoutLengthGivesFlatEnd)
{
    build_smooth_track(5, 2, 0);
    trace_length[3][1] = 0;
    EXPECT_EQ(start_gradient(3, 1), 0.0);
    apply_edit(2, 1, 1.0, 0.005);
    EXPECT_LE(std::fabs(end_height(trace_point[2][1]) - trace_point[3][1].height), 1.0);
    EXPECT_LT(std::fabs(end_derivative(trace_point[2][1])), 5.0);
}

TEST(EditMath, HeightsBeyondTheIntegerRangeSaturate)
{
    build_smooth_track(5, 3, 1);
    apply_edit(2, 0, 1.0e6, 0.0);
    EXPECT_EQ(trace_point[2][0].height, INT32_MAX);
    EXPECT_EQ(trace_point[1][0].quad, INT32_MAX);
    EXPECT_EQ(trace_point[1][0].cubic, INT32_MIN);
    EXPECT_EQ(trace_point[2][0].quad, INT32_MIN);
    EXPECT_EQ(trace_point[2][0].cubic, INT32_MAX);
    apply_edit(2, 0, -1.0e6, 0.0);
    EXPECT_EQ(trace_point[2][0].height, INT32_MIN);

    // In a whole-width edit the other traces saturate too instead of wrapping around.
    build_smooth_track(5, 3, 1);
    apply_edit(2, 1, 1.0e6, 0.0);
    for (int k = 0; k < num_traces; k++)
        EXPECT_GT(trace_point[2][k].height, 2000000000) << "trace " << k;
}

TEST(NearestSection, TiesRangeAndDistanceLimit)
{
    build_smooth_track(6, 2, 0);
    selected_trace = 1;
    for (int i = 0; i < num_sections; i++) {
        trace_start_m[i][0] = 1000.0f * i; // another trace, which must not be searched
        trace_start_m[i][1] = 10.0f * i;
    }
    first_section = 0;
    last_section = 1;
    EXPECT_EQ(nearest_section(15.0f), 1); // halfway between 1 and 2
    EXPECT_EQ(nearest_section(16.0f), 2);
    EXPECT_EQ(nearest_section(48.0f), 5); // outside the shown range
    EXPECT_EQ(nearest_section(-3.0f), 0);
    EXPECT_EQ(nearest_section(999000.0f), 5);
    EXPECT_EQ(nearest_section(5.0e6f), 0); // nothing within 1000000 m
    num_sections = 0;
    EXPECT_EQ(nearest_section(30.0f), 0);
}
