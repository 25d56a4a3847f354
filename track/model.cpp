#include "track/model.h"

#include <cmath>
#include <cstring>

int32_t num_sections;
int32_t num_traces;
int32_t section_length[MAX_SECTIONS];
float section_radius[MAX_SECTIONS];
TracePoint trace_point[MAX_SECTIONS][MAX_TRACES];
int32_t trace_length[MAX_SECTIONS][MAX_TRACES];
int32_t trace_start[MAX_SECTIONS][MAX_TRACES];
float trace_start_m[MAX_SECTIONS][MAX_TRACES];
float trace_offset[MAX_TRACES];

float altref_distance[MAX_ALTREF_POINTS];
float altref_height[MAX_ALTREF_POINTS];
int32_t altref_count;
uint16_t altref_loaded;

char in_file_name[FILE_NAME_SIZE];
char out_file_name[FILE_NAME_SIZE];
char trk_file_name[FILE_NAME_SIZE];
char tracepos_file_name[FILE_NAME_SIZE];
char radius_file_name[FILE_NAME_SIZE];
char altref_file_name[FILE_NAME_SIZE];
char font_file_name[FILE_NAME_SIZE];
char small_font_file_name[FILE_NAME_SIZE];
char medium_font_file_name[FILE_NAME_SIZE];
char big_font_file_name[FILE_NAME_SIZE];

float altref_offset;
int32_t centre_trace;
uint16_t show_angles = 1;
int32_t screen_width = 640;
int32_t screen_height = 480;

int32_t steps_per_section;
int32_t centre_line_trace;
int32_t selected_section;
int32_t selected_trace;

int32_t to_int32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return (int32_t)value;
}

float to_float(double value)
{
    constexpr double largest = 3.4028234663852886e38;
    if (value > largest)
        return (float)largest;
    if (value < -largest)
        return (float)-largest;
    return (float)value;
}

double end_height(const TracePoint& p)
{
    return (double)p.height + p.slope + p.quad + p.cubic;
}

double end_derivative(const TracePoint& p)
{
    return (double)p.slope + 2.0 * p.quad + 3.0 * p.cubic;
}

void reset_track_model()
{
    num_sections = num_traces = 0;
    std::memset(section_length, 0, sizeof section_length);
    std::memset(section_radius, 0, sizeof section_radius);
    std::memset(trace_point, 0, sizeof trace_point);
    std::memset(trace_length, 0, sizeof trace_length);
    std::memset(trace_start, 0, sizeof trace_start);
    std::memset(trace_start_m, 0, sizeof trace_start_m);
    for (int t = 0; t < MAX_TRACES; t++)
        trace_offset[t] = 0.0f;
    altref_count = 0;
    altref_loaded = 0;
    std::memset(altref_distance, 0, sizeof altref_distance);
    std::memset(altref_height, 0, sizeof altref_height);
    char* names[] = {in_file_name, out_file_name, trk_file_name, tracepos_file_name,
                     radius_file_name, altref_file_name, font_file_name,
                     small_font_file_name, medium_font_file_name, big_font_file_name};
    for (char* n : names)
        n[0] = '\0';
    altref_offset = 0.0f;
    centre_trace = 0;
    show_angles = 1;
    screen_width = 640;
    screen_height = 480;
    steps_per_section = 0;
    centre_line_trace = selected_section = selected_trace = 0;
}
