#include "fuzz_support.h"
#include "track/geometry.h"
#include "track/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string name = scratch_file("radius", data, size);
    load_small_track();
    std::snprintf(radius_file_name, FILE_NAME_SIZE, "%s", name.c_str());
    if (read_section_radii() == 0)
        derive_and_check();
    return 0;
}
