#include "track/geometry.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "track/model.h"
#include "track/words.h"

namespace {

// Where the values read stand in a track file. The file's middle part varies in size from
// track to track, but the section table is its last part, one record per section: so record
// s is found counting back from the end of the file.
constexpr size_t TRACE_COUNT_AT = 12;
constexpr size_t SECTION_COUNT_AT = 16;
constexpr size_t TRACE_POSITIONS_AT = 28; // 16 positions, 4 bytes each
constexpr size_t RECORD_SIZE = 52;
constexpr size_t RECORD_LENGTH_AT = 8;          // within a record, after the kind byte at 0
constexpr size_t RECORD_HEADING_CHANGE_AT = 28; // within a record
constexpr float TURN_FRACTION = 4.656613e-10f; // 2^-31: one full turn is 2^31
constexpr double FULL_TURN = 6.2831853;

bool get_int32(const unsigned char* data, size_t size, size_t offset, int32_t& out)
{
    if (offset > size || size - offset < 4)
        return false;
    uint32_t v = (uint32_t)data[offset] | (uint32_t)data[offset + 1] << 8 |
                 (uint32_t)data[offset + 2] << 16 | (uint32_t)data[offset + 3] << 24;
    out = (int32_t)v;
    return true;
}

} // namespace

float radius_from_record(uint8_t kind, int32_t length, int32_t heading_change)
{
    if (kind == 1 || heading_change == 0)
        return 0.0f;
    double angle = heading_change * (double)TURN_FRACTION * FULL_TURN;
    return to_float((length / UNITS_PER_METRE) / angle);
}

float missing_closure_degrees(float total_radians)
{
    double turns = total_radians / FULL_TURN;
    double fraction = std::fabs(turns - std::round(turns));
    return to_float(fraction * 360.0);
}

bool parse_trk_geometry(const unsigned char* data, size_t size)
{
    bool complete = true;
    int32_t count;
    if (get_int32(data, size, TRACE_COUNT_AT, count)) {
        if (count != num_traces)
            std::printf("Warning: Number of traces in .txt and .trk does not match!\n");
    } else {
        complete = false;
    }
    if (get_int32(data, size, SECTION_COUNT_AT, count)) {
        if (count != num_sections)
            std::printf("Warning: Number of sections in .txt and .trk does not match!\n");
    } else {
        complete = false;
    }
    for (int k = 0; k < MAX_TRACES; k++) {
        int32_t position;
        if (get_int32(data, size, TRACE_POSITIONS_AT + 4 * (size_t)k, position))
            trace_offset[k] = (float)(position / UNITS_PER_METRE);
        else
            complete = false;
    }
    for (int s = 0; s < num_sections; s++) {
        size_t back = RECORD_SIZE * (size_t)(num_sections - s);
        int32_t length, heading;
        if (back > size || !get_int32(data, size, size - back + RECORD_LENGTH_AT, length) ||
            !get_int32(data, size, size - back + RECORD_HEADING_CHANGE_AT, heading)) {
            complete = false;
            continue;
        }
        section_radius[s] = radius_from_record(data[size - back], length, heading);
    }
    return complete;
}

int read_trk_geometry()
{
    FILE* file = std::fopen(trk_file_name, "rb");
    if (!file) {
        std::printf("Did not find >%s<\n", trk_file_name);
        return 1;
    }
    std::printf("Reading trace-position and radius data from >%s<\n", trk_file_name);
    std::vector<unsigned char> data;
    unsigned char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        data.insert(data.end(), chunk, chunk + n);
    std::fclose(file);
    if (!parse_trk_geometry(data.data(), data.size()))
        std::printf("Warning: >%s< is too short; values it does not hold keep their defaults\n",
                    trk_file_name);
    check_closure();
    return 0;
}

int read_trace_positions()
{
    FILE* file = std::fopen(tracepos_file_name, "r");
    if (!file) {
        std::printf("Did not find >%s<\n", tracepos_file_name);
        return 1;
    }
    std::printf("Reading trace positions from >%s<\n", tracepos_file_name);
    char word[MAX_WORD + 1];
    int k = 0;
    for (; k < MAX_TRACES && read_word(file, word); k++)
        trace_offset[k] = to_float(std::atof(word));
    std::fclose(file);
    if (k < MAX_TRACES)
        std::printf("Warning: >%s< ends after %d positions; the others keep their defaults\n",
                    tracepos_file_name, k);
    return 0;
}

int read_section_radii()
{
    FILE* file = std::fopen(radius_file_name, "r");
    if (!file)
        return 1;
    std::printf("Reading radius data from >%s<\n", radius_file_name);
    char word[MAX_WORD + 1];
    int s = 0;
    for (; s < num_sections; s++) {
        if (!read_word(file, word) || !read_word(file, word))
            break;
        double radius = std::atof(word);
        // A radius that is no finite number cannot describe a curve.
        section_radius[s] = std::isfinite(radius) ? to_float(radius) : 0.0f;
    }
    std::fclose(file);
    if (s < num_sections)
        std::printf("Warning: >%s< ends after %d sections; the others stay straight\n",
                    radius_file_name, s);
    check_closure();
    return 0;
}

void check_closure()
{
    if (num_sections < 1)
        return;
    float total = 0.0f;
    for (int s = 0; s < num_sections; s++) {
        if (section_radius[s] != 0.0f)
            total = to_float(total + section_length[s] / (section_radius[s] * UNITS_PER_METRE));
    }
    float missing = missing_closure_degrees(total);
    if (missing > 0.2) {
        std::printf("Caution: Possible error in radius data\n");
        std::printf("Missing %7.2f degrees to close track\n", missing);
    }
}
