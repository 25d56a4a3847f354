// The fuzz target of one reader of outside input, named by READER at build time. The bytes
// become the reader's file, read over a small smooth track; whatever the reader accepts is
// derived and checked (detection only, which must change nothing).
#include <cstdio>
#include <string>
#include <unistd.h>

#include "commands/check.h"
#include "interaction/flags.h"
#include "track/altref.h"
#include "track/config.h"
#include "track/geometry.h"
#include "track/lengths.h"
#include "track/model.h"
#include "track/trace_data.h"

// Reads `file` with the reader named `reader`; 0 when the reader accepts it.
static int read_as(const std::string& reader, const char* file)
{
    char why[160];
    if (reader == "trace_data") return reset_track_model(), load_trace_data(file, why, sizeof why);
    if (FILE* f = reader == "config" ? std::fopen(file, "r") : nullptr) return apply_configuration(f), std::fclose(f), 0;
    const std::pair<char*, int (*)()> named = reader == "trk" ? std::make_pair(trk_file_name, read_trk_geometry)
        : reader == "tracepos" ? std::make_pair(tracepos_file_name, read_trace_positions)
        : reader == "radius" ? std::make_pair(radius_file_name, read_section_radii)
                             : std::make_pair(altref_file_name, read_altitude_reference);
    return std::snprintf(named.first, FILE_NAME_SIZE, "%s", file), named.second();
}

static CheckReport report;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name = "/tmp/vemora-fuzz-" + std::to_string(getpid()) + "-" READER;
    if (FILE* file = std::fopen(name.c_str(), "wb")) std::fwrite(data, 1, size, file), std::fclose(file);
    reset_track_model(), set_default_file_names();
    num_sections = 5, num_traces = 3; // a small smooth track
    for (int s = 0, t = 0; s < num_sections; t = (t + 1) % num_traces, s += !t)
        section_length[s] = 19685 * (20 + 3 * s), trace_point[s][t] = {19685 * (s + t), 1000 * t, -300, 100 * s};
    if (read_as(READER, name.c_str()) == 0 && (compute_trace_lengths(), data_modified = 0, scan_joins(0, &report), data_modified))
        __builtin_trap();
    return 0;
}
