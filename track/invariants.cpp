#include "track/invariants.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/view.h"
#include "interaction/flags.h"
#include "track/history.h"
#include "track/model.h"

namespace {

bool same_record(const TracePoint& a, const TracePoint& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool within(int32_t low, int32_t value, int32_t high)
{
    return low <= value && value <= high;
}

const char* chain_broken()
{
    const int32_t n = num_sections;
    for (int t = 0; t < num_traces; t++) {
        if (!same_record(trace_point[n][t], trace_point[0][t]))
            return "the wrap-around slot differs from section 0";
        int64_t sum = 0;
        for (int s = 0; s < n; s++) {
            if (trace_start[s][t] != to_int32((double)sum))
                return "trace_start is not the running sum of trace_length";
            sum += trace_length[s][t];
        }
        if (trace_start[n][t] != 0)
            return "the wrap-around slot does not start at 0";
    }
    return nullptr;
}

} // namespace

const char* broken_invariant()
{
    if (!within(1, num_sections, MAX_SECTIONS - 1) || !within(1, num_traces, MAX_TRACES))
        return "the section or trace count lies outside the capacity";
    if (const char* chain = chain_broken())
        return chain;
    if (!within(0, first_section, last_section) || !within(first_section, last_section, num_sections - 1))
        return "the section range lies outside the track";
    if (!within(0, first_trace, last_trace) || !within(first_trace, last_trace, num_traces - 1))
        return "the trace range lies outside the traces";
    if (!within(0, selected_section, num_sections - 1) || !within(0, selected_trace, num_traces - 1))
        return "the selection lies outside the track";
    if ((data_modified != 0) != history_unsaved())
        return "the unsaved flag disagrees with the undo history";
    return nullptr;
}

void check_invariants(const char* after)
{
#ifndef NDEBUG
    if (const char* broken = broken_invariant()) {
        std::fprintf(stderr, "Internal error after %s: %s\n", after, broken);
        std::abort();
    }
#else
    (void)after;
#endif
}
