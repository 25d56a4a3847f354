// The lines of a check's report, worded once for the editor's screen and for vemora-check.
#pragma once
#include <cstddef>
#include <cstdio>

struct CheckReport;

// The two count lines: "%d sections had gaps." or "No height gaps found.", and the same for
// gradient breaks.
void gap_count_line(const CheckReport& r, char* line, size_t size);
void kink_count_line(const CheckReport& r, char* line, size_t size);
// The screen's line for the i-th section listed with a gap or a gradient break.
void screen_gap_line(const CheckReport& r, int i, char* line, size_t size);
void screen_kink_line(const CheckReport& r, int i, char* line, size_t size);

// vemora-check's report: a line for each faulty section in section order ("gap 12 traces 3
// max 0.060 m", "kink 31 traces 0 max 0.600 %", with more decimals where three would read as
// zero), then the two count lines.
void print_report(FILE* out, const CheckReport& r);
