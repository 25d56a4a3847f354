#include "track/lengths.h"

#include <cmath>

#include "display/view.h"
#include "track/chain.h"
#include "track/model.h"

int32_t trace_length_in_section(int32_t length, float radius, float offset)
{
    if (radius == 0.0f)
        return length;
    double v = ((double)radius - offset) / radius * length;
    // Beyond the curve's centre, or with no finite length, the reference length is used.
    if ((double)radius - offset == 0.0 || !(v >= 1.0) || !std::isfinite(v))
        return length;
    return to_int32(v);
}

void compute_trace_lengths()
{
    int n = num_sections, m = num_traces;
    for (int t = 0; t < m; t++) {
        int64_t start = 0;
        for (int s = 0; s < n; s++) {
            trace_length[s][t] = trace_length_in_section(section_length[s], section_radius[s], trace_offset[t]);
            if (s >= 1) {
                // Summed wide, so that extreme lengths saturate instead of wrapping around.
                start += trace_length[s - 1][t];
                trace_start[s][t] = to_int32((double)start);
            }
        }
    }
    // The wrap-around slot: its lengths and start are set here once, its heights follow
    // section 0 by the slot's one rule.
    if (n >= 0 && n < MAX_SECTIONS) {
        section_length[n] = section_length[0];
        for (int t = 0; t < m; t++) {
            trace_length[n][t] = trace_length[0][t];
            trace_start[n][t] = trace_start[0][t];
            mirror_wrap_slot(0, t);
        }
    }
    for (int s = 0; s < n; s++)
        for (int t = 0; t < m; t++)
            trace_start_m[s][t] = (float)(trace_start[s][t] / UNITS_PER_METRE);
    zoom_to_fit();
    selected_section = 0;
    centre_line_trace = centre_trace >= 0 ? centre_trace : (m - 1) / 2;
    // The centre line must name an existing trace.
    if (m >= 1 && centre_line_trace > m - 1)
        centre_line_trace = m - 1;
    if (centre_line_trace < 0)
        centre_line_trace = 0;
    selected_trace = centre_line_trace;
    steps_per_section = 16;
}
