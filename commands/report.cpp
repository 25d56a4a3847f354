#include "commands/report.h"

#include <cmath>

#include "commands/check.h"

void gap_count_line(const CheckReport& r, char* line, size_t size)
{
    if (r.gap_count)
        std::snprintf(line, size, "%d sections had gaps.", r.gap_count);
    else
        std::snprintf(line, size, "No height gaps found.");
}

void kink_count_line(const CheckReport& r, char* line, size_t size)
{
    if (r.kink_count)
        std::snprintf(line, size, "%d sections had gradient breaks.", r.kink_count);
    else
        std::snprintf(line, size, "No gradient breaks found.");
}

void screen_gap_line(const CheckReport& r, int i, char* line, size_t size)
{
    std::snprintf(line, size, "Section gap: %d   ", r.gap_sections[i]);
}

void screen_kink_line(const CheckReport& r, int i, char* line, size_t size)
{
    std::snprintf(line, size, "Section kink: %d", r.kink_sections[i]);
}

namespace {

void print_line(FILE* out, const char* kind, int section, uint16_t traces, double largest, const char* unit)
{
    std::fprintf(out, "%s %d traces ", kind, section);
    const char* comma = "";
    for (int t = 0; t < MAX_TRACES; t++)
        if (traces & (1u << t)) {
            std::fprintf(out, "%s%d", comma, t);
            comma = ",";
        }
    // Three decimals, and more where those would round a fault down to zero (a height step of
    // two track units is a tenth of a millimetre).
    int decimals = 3;
    while (decimals < 9 && std::fabs(largest) < 0.5 * std::pow(10.0, -decimals))
        decimals++;
    std::fprintf(out, " max %.*f %s\n", decimals, largest, unit);
}

} // namespace

void print_report(FILE* out, const CheckReport& r)
{
    int g = 0, k = 0;
    while (g < r.gap_count || k < r.kink_count) {
        if (k == r.kink_count || (g < r.gap_count && r.gap_sections[g] <= r.kink_sections[k])) {
            print_line(out, "gap", r.gap_sections[g], r.gap_traces[g], r.gap_largest[g] / UNITS_PER_METRE, "m");
            g++;
        } else {
            print_line(out, "kink", r.kink_sections[k], r.kink_traces[k], r.kink_largest[k] * 100.0, "%");
            k++;
        }
    }
    char line[64];
    gap_count_line(r, line, sizeof line);
    std::fprintf(out, "%s\n", line);
    kink_count_line(r, line, sizeof line);
    std::fprintf(out, "%s\n", line);
}
