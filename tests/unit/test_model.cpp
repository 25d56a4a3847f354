// The wrap-around slot's one rule.
#include <gtest/gtest.h>

#include <cstring>

#include "support.h"
#include "track/model.h"

namespace {

bool same(const TracePoint& a, const TracePoint& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A change of section 0 goes to the slot, a change of the slot to section 0, and a change of
// any other section, or of another trace, touches neither.
TEST(WrapSlot, MirrorsSectionZeroOnly)
{
    fresh_model(3, 2);
    const TracePoint a = {1, 2, 3, 4}, b = {5, 6, 7, 8}, c = {9, 10, 11, 12};
    trace_point[0][1] = a;
    mirror_wrap_slot(0, 1);
    EXPECT_TRUE(same(trace_point[3][1], a));
    trace_point[3][1] = b;
    mirror_wrap_slot(3, 1);
    EXPECT_TRUE(same(trace_point[0][1], b));
    trace_point[1][1] = trace_point[2][1] = c;
    mirror_wrap_slot(1, 1);
    mirror_wrap_slot(2, 1);
    mirror_wrap_slot(0, 0);
    EXPECT_TRUE(same(trace_point[0][1], b) && same(trace_point[3][1], b));
    EXPECT_TRUE(same(trace_point[0][0], TracePoint{}) && same(trace_point[3][0], TracePoint{}));
}

} // namespace
