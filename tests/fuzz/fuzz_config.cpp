#include <cstdio>

#include "fuzz_support.h"
#include "track/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string name = scratch_file("cfg", data, size);
    load_small_track();
    if (FILE* file = std::fopen(name.c_str(), "r")) {
        apply_configuration(file);
        std::fclose(file);
    }
    derive_and_check();
    return 0;
}
