#include "fuzz_support.h"
#include "track/model.h"
#include "track/trace_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string name = scratch_file("trace", data, size);
    reset_track_model();
    char why[160];
    if (load_trace_data(name.c_str(), why, sizeof why) == 0)
        derive_and_check();
    return 0;
}
