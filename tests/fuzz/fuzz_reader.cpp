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

namespace {

void small_track()
{
    reset_track_model();
    set_default_file_names();
    num_sections = 5, num_traces = 3;
    for (int s = 0; s < num_sections; s++) {
        section_length[s] = 19685 * (20 + 3 * s);
        for (int t = 0; t < num_traces; t++)
            trace_point[s][t] = {19685 * (s + t), 1000 * t, -300, 100 * s};
    }
}

// Reads `file` with the reader named `reader`; 0 when the reader accepts it.
int read_as(const std::string& reader, const char* file)
{
    auto named = [file](char* setting, int (*read)()) {
        std::snprintf(setting, FILE_NAME_SIZE, "%s", file);
        return read();
    };
    if (reader == "trace_data") {
        char why[160];
        reset_track_model();
        return load_trace_data(file, why, sizeof why);
    }
    if (reader == "config") {
        FILE* f = std::fopen(file, "r");
        return f ? apply_configuration(f), std::fclose(f), 0 : 1;
    }
    return reader == "trk"        ? named(trk_file_name, read_trk_geometry)
           : reader == "tracepos" ? named(tracepos_file_name, read_trace_positions)
           : reader == "radius"   ? named(radius_file_name, read_section_radii)
                                  : named(altref_file_name, read_altitude_reference);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name = "/tmp/vemora-fuzz-" + std::to_string(getpid()) + "-" READER;
    if (FILE* file = std::fopen(name.c_str(), "wb"))
        std::fwrite(data, 1, size, file), std::fclose(file);
    small_track();
    if (read_as(READER, name.c_str()) == 0) {
        static CheckReport report;
        compute_trace_lengths();
        data_modified = 0;
        scan_joins(0, &report);
        if (data_modified)
            __builtin_trap();
    }
    return 0;
}
