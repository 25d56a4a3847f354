// The repair of a join whose two gradients differ, against coefficients worked out by hand, and the
// wrap-around slot that mirrors section 0 on a closed track.
#include <gtest/gtest.h>

#include <vector>

#include "commands/check.h"
#include "support.h"
#include "track/model.h"

namespace {

std::vector<int32_t> fields(const TracePoint& p) { return {p.height, p.slope, p.quad, p.cubic}; }

// One trace of three sections, lengths 1000, 2000 and 4000, starting at 0, 650 and 2000 with gradients
// 0.25, 0.5 and 0.25; the slot copies section 0. New start P = mid, slope b, end D with gradient g over
// a length L: cubic = g L - 2 (D - P) + b, quad = 3 (D - P) - g L - 2 b.
// Join 0: mid = (250 + 650) / 2 = 450, g = (0.25 + 0.5) / 2 = 0.375
//   section 0: cubic = 375 - 900 + 250 = -275, quad = 1350 - 375 - 500 = 475
//   section 1 from 450, slope 750, to 2000 with 0.25: cubic = 500 - 3100 + 750 = -1850, quad = 4650 - 500 - 1500 = 2650
// Join 2, at the wrap-around: mid = (3000 + 0) / 2 = 1500, g = 0.25
//   section 2: cubic = 1000 + 1000 + 1000 = 3000, quad = -1500 - 1000 - 2000 = -4500
//   the slot, and so section 0, from 1500, slope 250, to section 1's 650 with 0.5:
//   cubic = 500 + 1700 + 250 = 2450, quad = -2550 - 500 - 500 = -3550
TEST(Repair, JoinOfTwoGradientsMeetsAtTheirMeanAlsoAtTheWrapAround)
{
    const TracePoint before[] = {{0, 250, 0, 0}, {650, 1000, 0, 0}, {2000, 1000, 0, 0}, {0, 250, 0, 0}};
    const TracePoint new_0 = {0, 250, 475, -275}, new_2 = {1500, 250, -3550, 2450};
    const std::pair<int, std::vector<TracePoint>> cases[] = {
        {0, {new_0, {450, 750, 2650, -1850}, before[2], new_0}}, {2, {new_2, before[1], {2000, 1000, -4500, 3000}, new_2}}};
    for (const auto& [join, after] : cases) {
        fresh_model(3, 1);
        for (int s = 0; s < 4; s++)
            trace_length[s][0] = 1000 << s % 3, trace_point[s][0] = before[s];
        repair_join(join, 0);
        for (int s = 0; s < 4; s++)
            EXPECT_EQ(fields(trace_point[s][0]), fields(after[s])) << "join " << join << ", section " << s;
    }
}

} // namespace
