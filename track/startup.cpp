#include "track/startup.h"

#include <cstdio>

#include "track/altref.h"
#include "track/config.h"
#include "track/geometry.h"
#include "track/lengths.h"
#include "track/trace_data.h"

const char program_version[] = VEMORA_VERSION;

void print_banner()
{
    std::printf("Vemora v. ");
    std::printf("%s\n", program_version);
}

void load_track()
{
    print_banner();
    set_default_file_names();
    read_configuration();
    read_trace_data();
    if (read_trk_geometry() != 0) {
        read_trace_positions();
        read_section_radii();
    }
    read_altitude_reference();
    compute_trace_lengths();
    std::fflush(stdout);
}
