// Arithmetic that must be done in double: the ticks of an axis, the rows of the label bands
// and the closure check's threshold.
#include <gtest/gtest.h>

#include <tuple>

#include "display/layout.h"
#include "display/view.h"
#include "support.h"
#include "track/geometry.h"
#include "track/model.h"

namespace {

// Zoom-to-fit-like limits: the first tick stands on `low`, the last a step below `high`, none
// on `high` itself, however many float steps lie between.
TEST(Ticks, NoneOnTheHighEnd)
{
    const std::tuple<float, float, int, int, float> cases[] = { // low, high, majors, minors, last major
        {-3, 1, 8, 40, 0.5f}, {-1, 3, 8, 40, 2.5f}, {0, 3, 6, 30, 2.5f}, {17.0f, 17.4f, 8, 40, 17.35f}};
    for (auto [low, high, majors, minors, last] : cases) {
        float major, minor;
        choose_tick_steps(high - low, &major, &minor);
        const Ticks m = axis_ticks(low, high, major), n = axis_ticks(low, high, minor);
        EXPECT_EQ(m.count, majors) << low << ".." << high;
        EXPECT_EQ(n.count, minors) << low << ".." << high;
        EXPECT_EQ(tick_value(m, 0), low);
        EXPECT_EQ(tick_value(n, 0), low);
        EXPECT_EQ(tick_value(m, m.count - 1), last);
    }
    EXPECT_EQ(axis_ticks(0, 1e30f, 0.05f).count, 0); // too many to count
}

// The height 0.1 of the range below the top of -21.7 .. -2 m is -3.97000008 m in double, which
// as a float lies a hair above the band's row boundary: row 35. Worked in float, the height
// comes out below it, row 36.
TEST(LabelBands, RowOfTheDoubleHeight)
{
    compute_layout(640, 480);
    cross_alt_min = -21.7f, cross_alt_max = -2.0f;
    EXPECT_EQ(cross_band_row(0.1), 35);
    profile_alt_min = -21.7f, profile_alt_max = -2.0f;
    EXPECT_EQ(profile_band_row(0.1), 196); // 0.9 of 288 rows above row 456, 196.8
}

// One curve of 10000 track units at 145.53157 m leaves exactly 0.2f degrees to close: above
// 0.2, so the caution shows.
TEST(Closure, MissingExactlyPointTwoFloatDegreesCautions)
{
    fresh_model(1, 1);
    section_length[0] = 10000;
    section_radius[0] = 145.53157f;
    testing::internal::CaptureStdout();
    check_closure();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Caution: Possible error in radius data\nMissing    0.20 degrees to close track\n");
}

} // namespace
