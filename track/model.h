// The track model: every piece of track data, settings and derived values,
// held in program-wide storage of fixed capacity for the whole run.
#pragma once
#include <cstdint>

constexpr int MAX_SECTIONS = 4096;      // section slots, the last usable one is the wrap-around slot
constexpr int MAX_TRACES = 16;          // trace slots
constexpr int MAX_ALTREF_POINTS = 4096; // altitude reference points
constexpr int FILE_NAME_SIZE = 256;     // up to 255 characters and the terminator
constexpr double UNITS_PER_METRE = 19685.0;

// Height of one trace over one section: height + slope*u + quad*u^2 + cubic*u^3.
struct TracePoint {
    int32_t height;
    int32_t slope;
    int32_t quad;
    int32_t cubic;
};

extern int32_t num_sections;
extern int32_t num_traces;

// Section slot `num_sections` is the wrap-around slot, through which the last section reaches
// section 0 as its next one. It mirrors section 0: its section_length, trace_length and
// trace_start are copied once after loading, and its trace_point is kept equal to section 0's
// by mirror_wrap_slot (track/chain.h) after every change of either.
extern int32_t section_length[MAX_SECTIONS];
extern float section_radius[MAX_SECTIONS];
extern TracePoint trace_point[MAX_SECTIONS][MAX_TRACES];
extern int32_t trace_length[MAX_SECTIONS][MAX_TRACES];
extern int32_t trace_start[MAX_SECTIONS][MAX_TRACES];
extern float trace_start_m[MAX_SECTIONS][MAX_TRACES];
extern float trace_offset[MAX_TRACES];

extern float altref_distance[MAX_ALTREF_POINTS];
extern float altref_height[MAX_ALTREF_POINTS];
extern int32_t altref_count;
extern uint16_t altref_loaded;

extern char in_file_name[FILE_NAME_SIZE];
extern char out_file_name[FILE_NAME_SIZE];
extern char trk_file_name[FILE_NAME_SIZE];
extern char tracepos_file_name[FILE_NAME_SIZE];
extern char radius_file_name[FILE_NAME_SIZE];
extern char altref_file_name[FILE_NAME_SIZE];
extern char font_file_name[FILE_NAME_SIZE];
extern char small_font_file_name[FILE_NAME_SIZE];
extern char medium_font_file_name[FILE_NAME_SIZE];
extern char big_font_file_name[FILE_NAME_SIZE];

extern float altref_offset;
extern int32_t centre_trace;
extern uint16_t show_angles;
extern int32_t screen_width;
extern int32_t screen_height;

extern int32_t steps_per_section;
extern int32_t centre_line_trace;
extern int32_t selected_section;
extern int32_t selected_trace;

// Conversions between track units and metres; storing truncates toward zero
// and saturates at the 32-bit range so that no conversion is undefined.
int32_t to_int32(double value);
// Narrows to single precision, saturating at the largest finite float instead of overflowing.
float to_float(double value);
double end_height(const TracePoint& p);     // value at u = 1
double end_derivative(const TracePoint& p); // d/du at u = 1
inline double height_at(const TracePoint& p, double u)
{
    return p.height + p.slope * u + p.quad * u * u + p.cubic * u * u * u;
}

// Puts every item of the model back to its state at program start (tests, fuzzing).
void reset_track_model();
