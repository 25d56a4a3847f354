// What one frame of the view shows, worked out before anything is drawn: the profile's
// sample points, their screen columns grouped in runs, the cross-section's heights and the
// eight panel value ranges. Pure arithmetic over the model and the view range.
#pragma once
#include <algorithm>
#include <cstdint>

#include "track/model.h"

// The profile has `steps_per_section` sample points per shown section, at u = j / N of
// section first_section + k for point k * N + j; every trace is plotted against the
// distances along the selected trace. The tables live from compute_frame to release_frame.
struct Frame {
    int points;
    float* distances;   // metres along the selected trace, one per point
    float* heights;     // metres, `points` per trace, trace after trace
    int32_t* columns;   // screen column of each point
    int32_t* run_start; // runs + 1 entries: the points of run r, from run_start[r] to
    int runs;           // run_start[r + 1] - 1, share one column
    int32_t *px, *py;   // room for one trace's polyline
    float cross_heights[MAX_TRACES]; // metres, at the start of the selected section
};

// Fills the frame and sets the eight panel value ranges. False, with the ranges untouched
// and nothing to release, when there is nothing to show or no memory for the tables.
bool compute_frame(Frame* f);
void release_frame(Frame* f);

// The heights of one column's run of `count` points that its polyline needs, in order:
// all of them up to four, else the first, the lowest, the highest and the last. Solid
// drawing fills the column between the lowest and the highest whatever the order.
inline int thin_column(const float* heights, int count, float kept[4])
{
    if (count <= 4) {
        std::copy(heights, heights + count, kept);
        return count;
    }
    const auto [low, high] = std::minmax_element(heights, heights + count);
    kept[0] = heights[0], kept[1] = *low, kept[2] = *high, kept[3] = heights[count - 1];
    return 4;
}
