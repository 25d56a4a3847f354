#include "track/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    if (size < offset + 4) // offsets stay far below any overflow
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

namespace {

constexpr size_t HEADER_SIZE = TRACE_POSITIONS_AT + 4 * MAX_TRACES; // up to the last trace position

// What the reader takes from a track file: its start, and its end, which holds the section
// table. A short file gives less of either; a file that is not a regular one gives nothing,
// since only a regular file has an end to count the table back from.
struct TrackFileBytes {
    unsigned char head[HEADER_SIZE];
    size_t head_size;
    unsigned char tail[RECORD_SIZE * MAX_SECTIONS];
    size_t tail_size;
};
TrackFileBytes track_bytes; // too large for the stack

bool read_track_bytes(FILE* file)
{
    TrackFileBytes& b = track_bytes;
    b.head_size = b.tail_size = 0;
    struct stat st;
    if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const off_t size = st.st_size;
    b.head_size = std::fread(b.head, 1, (size_t)std::min<off_t>(size, HEADER_SIZE), file);
    // The section table lies after the head: a short file's head is never read as records.
    const off_t table = std::max<off_t>(0, size - (off_t)HEADER_SIZE);
    const off_t want = std::min<off_t>(table, (off_t)RECORD_SIZE * std::clamp(num_sections, 0, MAX_SECTIONS));
    if (fseeko(file, size - want, SEEK_SET) == 0 && std::fread(b.tail, 1, (size_t)want, file) == (size_t)want)
        b.tail_size = (size_t)want;
    return true;
}

// Stores what the bytes hold, printing the count warnings; false when some value was missing.
bool parse_track_bytes(const TrackFileBytes& b)
{
    bool complete = true;
    int32_t count;
    if (get_int32(b.head, b.head_size, TRACE_COUNT_AT, count)) {
        if (count != num_traces)
            std::printf("Warning: Number of traces in .txt and .trk does not match!\n");
    } else {
        complete = false;
    }
    if (get_int32(b.head, b.head_size, SECTION_COUNT_AT, count)) {
        if (count != num_sections)
            std::printf("Warning: Number of sections in .txt and .trk does not match!\n");
    } else {
        complete = false;
    }
    for (int k = 0; k < MAX_TRACES; k++) {
        int32_t position;
        if (get_int32(b.head, b.head_size, TRACE_POSITIONS_AT + 4 * (size_t)k, position))
            trace_offset[k] = (float)(position / UNITS_PER_METRE);
        else
            complete = false;
    }
    for (int s = 0; s < num_sections; s++) {
        size_t back = RECORD_SIZE * (size_t)(num_sections - s);
        int32_t length, heading;
        if (back > b.tail_size || !get_int32(b.tail, b.tail_size, b.tail_size - back + RECORD_LENGTH_AT, length) ||
            !get_int32(b.tail, b.tail_size, b.tail_size - back + RECORD_HEADING_CHANGE_AT, heading)) {
            complete = false;
            continue;
        }
        section_radius[s] = radius_from_record(b.tail[b.tail_size - back], length, heading);
    }
    return complete;
}

} // namespace

int read_trk_geometry()
{
    // Opened without waiting for a writer, so that a named pipe cannot hold up start-up.
    const int fd = open(trk_file_name, O_RDONLY | O_NONBLOCK);
    FILE* file = fd >= 0 ? fdopen(fd, "rb") : nullptr;
    if (!file) {
        if (fd >= 0)
            close(fd);
        std::printf("Did not find >%s<\n", trk_file_name);
        return 1;
    }
    std::printf("Reading trace-position and radius data from >%s<\n", trk_file_name);
    const bool regular = read_track_bytes(file);
    std::fclose(file);
    if (!regular)
        std::printf("Warning: >%s< is not a regular file; the geometry keeps its defaults\n", trk_file_name);
    else if (!parse_track_bytes(track_bytes))
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
    // A file that ends early repeats its last word for the positions it lacks.
    Word word;
    bool any = false;
    for (int k = 0; k < MAX_TRACES; k++) {
        any = read_word(file, word) || any;
        if (any)
            trace_offset[k] = to_float(std::atof(word));
    }
    std::fclose(file);
    return 0;
}

int read_section_radii()
{
    FILE* file = std::fopen(radius_file_name, "r");
    if (!file)
        return 1;
    std::printf("Reading radius data from >%s<\n", radius_file_name);
    // As with the positions, the last word read stands in for every missing one.
    Word word;
    bool any = false;
    for (int s = 0; s < num_sections; s++) {
        any = read_word(file, word) || any;
        any = read_word(file, word) || any;
        if (!any)
            break;
        double radius = std::atof(word);
        // A radius that is no finite number cannot describe a curve.
        section_radius[s] = std::isfinite(radius) ? to_float(radius) : 0.0f;
    }
    std::fclose(file);
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
