// The fuzz target of one reader of outside input, named by READER at build time. The bytes
// become the reader's file, read over a small smooth track; whatever the reader accepts is
// derived and checked (detection only, which must change nothing).
#include <cstdio>
#include <cstring>
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

int read_configuration_file(const char* name)
{
    FILE* file = std::fopen(name, "r");
    if (file)
        apply_configuration(file), std::fclose(file);
    return file ? 0 : 1;
}

int read_trace_data_file(const char* name)
{
    char why[160];
    reset_track_model();
    return load_trace_data(name, why, sizeof why);
}

// A reader that takes its file from a name setting.
template <char* setting, int (*reader)()>
int read_named(const char* name)
{
    std::snprintf(setting, FILE_NAME_SIZE, "%s", name);
    return reader();
}

const struct {
    const char* name;
    int (*read)(const char* file);
} readers[] = {
    {"trace_data", read_trace_data_file},
    {"config", read_configuration_file},
    {"trk", read_named<trk_file_name, read_trk_geometry>},
    {"tracepos", read_named<tracepos_file_name, read_trace_positions>},
    {"radius", read_named<radius_file_name, read_section_radii>},
    {"altref", read_named<altref_file_name, read_altitude_reference>},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name = "/tmp/vemora-fuzz-" + std::to_string(getpid()) + "-" READER;
    if (FILE* file = std::fopen(name.c_str(), "wb"))
        std::fwrite(data, 1, size, file), std::fclose(file);
    small_track();
    for (const auto& r : readers)
        if (std::strcmp(r.name, READER) == 0 && r.read(name.c_str()) == 0) {
            static CheckReport report;
            compute_trace_lengths();
            data_modified = 0;
            scan_joins(0, &report);
            if (data_modified)
                __builtin_trap();
        }
    return 0;
}
