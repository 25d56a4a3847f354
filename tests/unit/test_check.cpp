// Finding and repairing height gaps and gradient breaks where sections meet.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "commands/check.h"
#include "interaction/flags.h"
#include "support.h"
#include "track/model.h"

void build_smooth_track(int sections, int traces, int centre); // test_edit.cpp

namespace {

CheckReport report;

// Runs a pass and returns the sections reported with gaps; kinks() gives the other column.
std::vector<int> scan(int fix)
{
    scan_joins(fix, &report);
    return std::vector<int>(report.gap_sections, report.gap_sections + report.gap_count);
}

std::vector<int> kinks()
{
    return std::vector<int>(report.kink_sections, report.kink_sections + report.kink_count);
}

std::vector<TracePoint> snapshot()
{
    return std::vector<TracePoint>(&trace_point[0][0], &trace_point[0][0] + MAX_SECTIONS * MAX_TRACES);
}

bool unchanged(const std::vector<TracePoint>& before)
{
    return std::memcmp(before.data(), trace_point, sizeof trace_point) == 0;
}

bool wrap_mirrors_0()
{
    return std::memcmp(trace_point[num_sections], trace_point[0], num_traces * sizeof(TracePoint)) == 0;
}

// Each trace level at its own height, every section `length` long.
void build_flat_track(int sections, int traces, int32_t length)
{
    build_smooth_track(sections, traces, 0);
    for (int s = 0; s <= sections; s++)
        for (int t = 0; t < traces; t++) {
            trace_point[s][t] = {1000 * t, 0, 0, 0};
            trace_length[s][t] = length;
        }
}

} // namespace

TEST(Check, CleanTrackReportsAndChangesNothing)
{
    build_smooth_track(7, 4, 1);
    auto before = snapshot();
    for (int fix : {0, 1}) {
        EXPECT_TRUE(scan(fix).empty());
        EXPECT_TRUE(kinks().empty());
    }
    EXPECT_TRUE(unchanged(before));
    EXPECT_EQ(data_modified, 0);
}

TEST(Check, JoinTolerances)
{
    // Long sections: moving the end height bends the end gradient far too little to count.
    build_flat_track(4, 2, 100000);
    for (int d : {1, -1, 2, -2}) {
        trace_point[1][1].cubic = d;
        EXPECT_EQ(check_join(1, 1).gap, d == 2 || d == -2) << d;
        EXPECT_FALSE(check_join(1, 1).kink) << d;
    }
    for (int sign : {1, -1}) {
        build_flat_track(4, 2, 10000);
        trace_point[2][0].slope = sign; // exactly 0.0001 steeper than the end of section 1
        EXPECT_TRUE(check_join(1, 0).kink) << sign;
        EXPECT_FALSE(check_join(1, 0).gap) << sign;
        trace_length[1][0] = trace_length[2][0] = 10001;
        EXPECT_FALSE(check_join(1, 0).kink) << sign;
        // The limit is the single-precision value just below 0.0001, so a difference of
        // 20001 / 2e8 - 1 / 199999999, a hair below 0.0001, is still a break.
        trace_length[1][0] = 200000000;
        trace_length[2][0] = 199999999;
        trace_point[1][0] = {0, 0, -sign * 20001, sign * 20001};
        EXPECT_TRUE(check_join(1, 0).kink) << sign;
    }
}

TEST(Check, SectionsAreCountedOncePerColumn)
{
    build_flat_track(6, 4, 10000000);
    for (int t : {0, 1, 3})
        trace_point[2][t].cubic = 50;              // gaps on three traces after section 2
    trace_point[4][1].cubic = 50;                  // a gap after section 4 on one trace,
    trace_point[5][2] = {2000, 2000, -4000, 2000}; // a break on another; section 5 ends level and flat
    EXPECT_EQ(scan(0), (std::vector<int>{2, 4}));
    EXPECT_EQ(kinks(), std::vector<int>{4});
}

TEST(Check, RepairsAtTheWrapAroundKeepSectionZeroAndItsCopyEqual)
{
    for (int s : {4, 0}) {
        build_smooth_track(5, 3, 1);
        auto before = snapshot();
        trace_point[s][1].cubic += 700; // a gap and a break after section s
        trace_point[5][1] = trace_point[0][1];
        EXPECT_EQ(scan(1), std::vector<int>{s});
        EXPECT_EQ(kinks(), std::vector<int>{s});
        EXPECT_NE(std::memcmp(&before[(s + 1) % 5 * MAX_TRACES + 1], &trace_point[s + 1][1], sizeof(TracePoint)), 0);
        EXPECT_TRUE(wrap_mirrors_0()) << s;
        EXPECT_TRUE(scan(1).empty());
        EXPECT_TRUE(kinks().empty());
    }
}

TEST(Check, DemoTrackFaultsAreFoundAndFixed)
{
    load_demo_track();
    auto before = snapshot();
    const std::vector<int> want_gaps{12, 58, 87, 126, 149}, want_kinks{31, 58, 104, 149};
    EXPECT_EQ(scan(0), want_gaps);
    EXPECT_EQ(kinks(), want_kinks);
    EXPECT_TRUE(unchanged(before));
    EXPECT_EQ(data_modified, 0);

    // A fix reports the joins as found, then leaves nothing to repair.
    EXPECT_EQ(scan(1), want_gaps);
    EXPECT_EQ(kinks(), want_kinks);
    EXPECT_EQ(data_modified, 1);
    EXPECT_TRUE(wrap_mirrors_0());
    data_modified = 0;
    auto fixed = snapshot();
    EXPECT_TRUE(scan(1).empty());
    EXPECT_TRUE(kinks().empty());
    EXPECT_EQ(data_modified, 0);
    EXPECT_TRUE(unchanged(fixed));
}

TEST(Check, SectionWithoutLengthIsJudgedOnHeightOnly)
{
    build_flat_track(5, 2, 100000);
    trace_length[2][0] = 0;
    trace_point[1][0] = {0, 0, 300, -100};     // ends at 200, rising
    trace_point[2][0] = {240, 5000, -5240, 0}; // 40 units higher, and wildly steep
    EXPECT_TRUE(check_join(1, 0).gap);
    EXPECT_FALSE(check_join(1, 0).kink || check_join(2, 0).kink);

    EXPECT_EQ(scan(1), std::vector<int>{1});
    EXPECT_TRUE(kinks().empty());
    EXPECT_EQ(end_derivative(trace_point[1][0]), 300); // both slopes kept
    EXPECT_EQ(trace_point[2][0].slope, 5000);
    EXPECT_EQ(trace_point[2][0].height, 220);
    EXPECT_FALSE(check_join(1, 0).gap || check_join(2, 0).gap);
}

TEST(Check, HeightsBeyondTheIntegerRange)
{
    build_flat_track(5, 1, 100000);
    trace_point[1][0] = {INT32_MAX, INT32_MAX, 1, 1}; // ends at 2^32, which must not wrap to 0
    EXPECT_TRUE(check_join(1, 0).gap);

    trace_point[1][0] = {INT32_MAX, INT32_MAX, 0, 0};
    trace_point[2][0] = {INT32_MAX, 0, 0, 0};
    repair_join(1, 0);
    EXPECT_EQ(trace_point[2][0].height, INT32_MAX); // the join height lies above the range
    EXPECT_EQ(trace_point[2][0].quad, INT32_MIN);
    EXPECT_EQ(trace_point[2][0].cubic, INT32_MAX);
}
