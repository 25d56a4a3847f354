#include "fuzz_support.h"

#include <cstdio>
#include <unistd.h>

#include "commands/check.h"
#include "interaction/flags.h"
#include "track/config.h"
#include "track/lengths.h"
#include "track/model.h"

std::string scratch_file(const char* tag, const uint8_t* data, size_t size)
{
    std::string name = "/tmp/vemora-fuzz-" + std::to_string(getpid()) + "-" + tag;
    FILE* file = std::fopen(name.c_str(), "wb");
    if (file) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    return name;
}

void load_small_track()
{
    reset_track_model();
    set_default_file_names();
    num_sections = 5;
    num_traces = 3;
    for (int s = 0; s < num_sections; s++) {
        section_length[s] = 19685 * (20 + 3 * s);
        for (int t = 0; t < num_traces; t++)
            trace_point[s][t] = {19685 * (s + t), 1000 * t, -300, 100 * s};
    }
}

void derive_and_check()
{
    static CheckReport report;
    compute_trace_lengths();
    data_modified = 0;
    scan_joins(0, &report);
    if (data_modified)
        __builtin_trap(); // the check alone must never change the data
}

int fuzz_named_file(const char* tag, char* name_field, int (*reader)(), const uint8_t* data, size_t size)
{
    std::string name = scratch_file(tag, data, size);
    load_small_track();
    std::snprintf(name_field, FILE_NAME_SIZE, "%s", name.c_str());
    if (reader() == 0)
        derive_and_check();
    return 0;
}
