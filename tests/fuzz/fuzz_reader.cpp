// The fuzz target of one reader of outside input, named by READER at build time. The bytes
// become the reader's file, read over a small smooth track; whatever the reader accepts is
// derived and checked (detection only, which must change nothing).
#include <string>
#include <unistd.h>

#include "commands/check.h"
#include "interaction/flags.h"
#include "track/altref.h"
#include "track/config.h"
#include "track/geometry.h"
#include "track/lengths.h"
#include "track/trace_data.h"

static CheckReport report;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string reader = READER, name = "/tmp/vemora-fuzz-" + std::to_string(getpid()) + "-" + reader;
    if (FILE* file = std::fopen(name.c_str(), "wb")) std::fwrite(data, 1, size, file), std::fclose(file);
    reset_track_model(), set_default_file_names();
    num_sections = 5, num_traces = 3; // a small smooth track
    for (int s = 0, t = 0; s < num_sections; t = (t + 1) % num_traces, s += !t)
        section_length[s] = 19685 * (20 + 3 * s), trace_point[s][t] = {19685 * (s + t), 1000 * t, -300, 100 * s};
    char why[160]; // the reader's file setting and the reader, for those read by name
    const std::pair<char*, int (*)()> named = reader == "trk" ? std::make_pair(trk_file_name, read_trk_geometry)
        : reader == "tracepos" ? std::make_pair(tracepos_file_name, read_trace_positions)
        : reader == "radius" ? std::make_pair(radius_file_name, read_section_radii)
                             : std::make_pair(altref_file_name, read_altitude_reference);
    FILE* config = reader == "config" ? std::fopen(name.c_str(), "r") : nullptr;
    const int refused = reader == "trace_data" ? (reset_track_model(), !load_trace_data(name.c_str(), why, sizeof why))
                        : config ? (apply_configuration(config), std::fclose(config), 0)
                                 : (std::snprintf(named.first, FILE_NAME_SIZE, "%s", name.c_str()), named.second());
    if (!refused && (compute_trace_lengths(), data_modified = 0, scan_joins(0, &report), data_modified))
        __builtin_trap();
    return 0;
}
