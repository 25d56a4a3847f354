// The repair of a join whose two gradients differ, against coefficients worked out by hand.
#include <gtest/gtest.h>

#include <vector>

#include "commands/check.h"
#include "support.h"
#include "track/model.h"

namespace {

std::vector<int32_t> fields(const TracePoint& p) { return {p.height, p.slope, p.quad, p.cubic}; }

// The join after section 0 of three, on one trace. Section 0 (length 1000) ends at 250 with gradient
// 250 / 1000 = 0.25; section 1 (length 2000) starts at 650 with gradient 1000 / 2000 = 0.5; section 2
// (length 4000) starts at 2000 with gradient 1000 / 4000 = 0.25. By hand:
//   mid = (250 + 650) / 2 = 450, g = (0.25 + 0.5) x 0.5 = 0.375
//   section 0: D = 450 - 0 = 450, P = 0.375 x 1000 = 375,
//              cubic = 375 - 2 x 450 + 250 = -275, quad = 3 x 450 - 375 - 2 x 250 = 475
//   section 1: b1 = 0.375 x 2000 = 750, D2 = 2000 - 450 = 1550, P2 = 0.25 x 2000 = 500,
//              cubic = 500 - 2 x 1550 + 750 = -1850, quad = 3 x 1550 - 500 - 2 x 750 = 2650
// and the wrap-around slot takes section 0's new record.
TEST(Repair, JoinOfTwoGradientsMeetsAtTheirMean)
{
    fresh_model(3, 1);
    const int32_t lengths[] = {1000, 2000, 4000, 1000};
    const TracePoint before[] = {{0, 250, 0, 0}, {650, 1000, 0, 0}, {2000, 1000, 0, 0}, {0, 250, 0, 0}};
    for (int s = 0; s < 4; s++) {
        trace_length[s][0] = lengths[s];
        trace_point[s][0] = before[s];
    }
    repair_join(0, 0);
    const TracePoint after[] = {{0, 250, 475, -275}, {450, 750, 2650, -1850}, before[2], {0, 250, 475, -275}};
    for (int s = 0; s < 4; s++)
        EXPECT_EQ(fields(trace_point[s][0]), fields(after[s])) << "section " << s;
}

} // namespace
