// Panel layout, the mapping between track values and screen positions, tick steps
// and zoom to fit.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/layout.h"
#include "display/view.h"
#include "track/model.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();

// The profile panel of a 640 x 480 screen showing 100..600 m and -3..3 m.
void show(float dist_min = 100, float dist_max = 600, float alt_min = -3, float alt_max = 3)
{
    compute_layout(640, 480);
    profile_dist_min = dist_min;
    profile_dist_max = dist_max;
    profile_alt_min = alt_min;
    profile_alt_max = alt_max;
}

TEST(Layout, PanelsFollowTheScreenSize)
{
    const int expected[2][10] = {{640, 480, 32, 576, 456, -288, 320, 288, 144, -120},
                                 {800, 600, 40, 720, 570, -360, 400, 360, 180, -150}};
    for (auto& e : expected) {
        compute_layout(e[0], e[1]);
        const int got[8] = {profile_left, profile_width, profile_bottom, profile_height,
                            cross_left,   cross_width,   cross_bottom,   cross_height};
        for (int i = 0; i < 8; i++)
            EXPECT_EQ(got[i], e[i + 2]) << e[0] << "x" << e[1] << " value " << i;
    }
}

TEST(Mapping, WorkedExampleTruncatesAndDoesNotClamp)
{
    show();
    EXPECT_EQ(distance_to_x(350), 320);
    EXPECT_EQ(height_to_y(0), 312);
    EXPECT_DOUBLE_EQ(y_to_height(312), 0.0);
    EXPECT_DOUBLE_EQ(x_to_distance(320), 350.0);
    EXPECT_EQ(height_to_y(3.01f), 167); // 167.52, truncated rather than rounded
    EXPECT_EQ(height_to_y(4), 120);     // above the top row 168
    EXPECT_EQ(distance_to_x(0), -83);   // -83.2: toward zero, not -84
    EXPECT_LT(x_to_distance(10), 100.0);

    show(0, 576);
    profile_left = 0;
    EXPECT_EQ(distance_to_x(-0.5f), 0); // flooring would give -1
    EXPECT_EQ(distance_to_x(-1.5f), -1);
}

// An empty or non-finite range, or a value no screen could show, must still give a
// position that the line drawing handles.
TEST(Mapping, DegenerateRangesStayDrawable)
{
    show(100, 100, 2, 2);
    EXPECT_EQ(distance_to_x(350), profile_left);
    EXPECT_EQ(height_to_y(2), profile_bottom);
    show(100, kNaN, -3, kInf);
    EXPECT_EQ(distance_to_x(350), profile_left);
    EXPECT_EQ(height_to_y(0), profile_bottom);

    show(100, 600, -3, -3 + 1e-6f);
    for (float v : {1e30f, -1e30f, 3.4e38f, kInf, -kInf, kNaN})
        for (int32_t p : {distance_to_x(v), height_to_y(v)}) {
            EXPECT_LE(p, 1 << 24) << v;
            EXPECT_GE(p, -(1 << 24)) << v;
        }
    EXPECT_LT(height_to_y(1e30f), -100000);
    EXPECT_GT(height_to_y(-1e30f), 100000);
}

// A column or row turned into a value (through a float) and back lands on itself or,
// when the float falls a hair short, on the one before.
TEST(Mapping, ScreenToValueAndBack)
{
    const float ranges[][4] = {{100, 600, -3, 3}, {123.456f, 4567.89f, -1.7f, 0.3f}, {0, 21000, 12, 19}};
    for (auto& r : ranges) {
        show(r[0], r[1], r[2], r[3]);
        for (int x = profile_left; x <= profile_left + profile_width; x++) {
            int back = distance_to_x((float)x_to_distance(x));
            EXPECT_TRUE(back == x || back == x - 1) << x << " -> " << back;
        }
        for (int y = profile_bottom + profile_height; y <= profile_bottom; y++) {
            int back = height_to_y((float)y_to_height(y));
            EXPECT_TRUE(back == y || back == y - 1) << y << " -> " << back;
        }
    }
}

TEST(TickSteps, BoundariesAreStrict)
{
    const float cases[][3] = {{10000, 2000, 500}, {10001, 5000, 1000}, {1, 0.2f, 0.05f},  {0.5f, 0.05f, 0.01f},
                              {1.5f, 0.5f, 0.1f}, {6, 2, 0.5f},        {5, 0.5f, 0.1f},   {-3, 0.05f, 0.01f},
                              {kNaN, 0.05f, 0.01f}};
    for (auto& c : cases) {
        float major = -1, minor = -1;
        choose_tick_steps(c[0], &major, &minor);
        EXPECT_EQ(major, c[1]) << c[0];
        EXPECT_EQ(minor, c[2]) << c[0];
    }
}

// Whole metres around the section-start heights only: a curve that rises far above
// them inside a section does not count.
TEST(ZoomToFit, WholeMetresAroundSectionStartHeights)
{
    const double cases[][4] = {{0, 0, -1, 1}, {-2.5, 2.5, -3, 3}, {2.5, 4, 1, 5}, {-4, -2.5, -5, -1}, {0.2, 0.9, -1, 1}};
    for (auto& c : cases) {
        reset_track_model();
        num_sections = 5;
        num_traces = 3;
        for (int s = 0; s < num_sections; s++)
            for (int t = 0; t < num_traces; t++)
                trace_point[s][t].height = (int32_t)(c[0] * UNITS_PER_METRE);
        trace_point[3][2].height = (int32_t)(c[1] * UNITS_PER_METRE);
        trace_point[2][1].quad = 50 * 19685;
        selected_section = 3;
        selected_trace = 2;
        zoom_to_fit();
        EXPECT_EQ(height_bottom, (float)c[2]) << c[0];
        EXPECT_EQ(height_top, (float)c[3]) << c[1];
        EXPECT_EQ(first_section, 0);
        EXPECT_EQ(last_section, 4);
        EXPECT_EQ(first_trace, 0);
        EXPECT_EQ(last_trace, 2);
        EXPECT_EQ(selected_section, 3);
        EXPECT_EQ(selected_trace, 2);
    }
}

} // namespace
