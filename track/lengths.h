// Trace lengths and distances along every trace, derived once after loading.
#pragma once
#include <cstdint>

void compute_trace_lengths();
// Length of a trace at lateral offset `offset` in a section of reference length
// `length` and radius `radius` (0 = straight).
int32_t trace_length_in_section(int32_t length, float radius, float offset);
