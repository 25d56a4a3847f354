#include "display/frame.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "display/view.h"

namespace {

bool allocate(Frame* f, int points)
{
    size_t n = (size_t)points;
    f->points = points;
    f->distances = (float*)std::malloc(sizeof(float) * n);
    f->heights = (float*)std::malloc(sizeof(float) * n * (size_t)num_traces);
    f->columns = (int32_t*)std::malloc(sizeof(int32_t) * n);
    f->run_start = (int32_t*)std::malloc(sizeof(int32_t) * (n + 1));
    f->px = (int32_t*)std::malloc(sizeof(int32_t) * n);
    f->py = (int32_t*)std::malloc(sizeof(int32_t) * n);
    if (f->distances && f->heights && f->columns && f->run_start && f->px && f->py)
        return true;
    release_frame(f);
    return false;
}

void sample(Frame* f, int N)
{
    const int sel = selected_trace, NS = f->points / N;
    for (int k = 0; k < NS; k++) {
        int s = first_section + k;
        for (int j = 0; j < N; j++) {
            double u = (double)j / N;
            f->distances[k * N + j] =
                (float)(to_int32(trace_start[s][sel] + u * trace_length[s][sel]) / UNITS_PER_METRE);
        }
    }
    std::vector<double> fraction(N); // spares a division per sample
    for (int j = 0; j < N; j++)
        fraction[j] = (double)j / N;
    for (int t = 0; t < num_traces; t++) {
        float* row = f->heights + (size_t)t * f->points;
        for (int k = 0; k < NS; k++) {
            const TracePoint& p = trace_point[first_section + k][t];
            for (int j = 0; j < N; j++)
                row[k * N + j] = (float)(height_at(p, fraction[j]) / UNITS_PER_METRE);
        }
    }
}

void set_cross_ranges(Frame* f)
{
    for (int t = 0; t < num_traces; t++)
        f->cross_heights[t] = (float)(trace_point[selected_section][t].height / UNITS_PER_METRE);
    const float* shown = f->cross_heights + first_trace;
    const auto [lowest, highest] = std::minmax_element(shown, shown + std::max(1, last_trace - first_trace + 1));
    float margin = (float)(0.1 * (*highest - *lowest) + 0.1);
    cross_alt_min = *lowest - margin;
    cross_alt_max = *highest + margin;
    cross_offset_min = (float)(trace_offset[first_trace] - 1.0);
    cross_offset_max = (float)(trace_offset[last_trace] + 1.0);
}

void set_profile_ranges(const Frame* f)
{
    profile_dist_min = f->distances[0];
    profile_dist_max = f->distances[f->points - 1];
    profile_alt_min = height_bottom;
    profile_alt_max = height_top;
}

void group_columns(Frame* f)
{
    f->runs = 0;
    for (int i = 0; i < f->points; i++) {
        f->columns[i] = distance_to_x(f->distances[i]);
        if (i == 0 || f->columns[i] != f->columns[i - 1])
            f->run_start[f->runs++] = i;
    }
    f->run_start[f->runs] = f->points;
}

} // namespace

bool compute_frame(Frame* f)
{
    const int N = steps_per_section, NS = last_section - first_section + 1;
    *f = Frame{};
    if (N < 1 || NS < 1 || num_traces < 1 || !allocate(f, NS * N))
        return false;
    sample(f, N);
    set_cross_ranges(f);
    set_profile_ranges(f);
    group_columns(f);
    return true;
}

void release_frame(Frame* f)
{
    std::free(f->distances);
    std::free(f->heights);
    std::free(f->columns);
    std::free(f->run_start);
    std::free(f->px);
    std::free(f->py);
    *f = Frame{};
}
