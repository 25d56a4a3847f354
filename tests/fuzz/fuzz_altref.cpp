#include "fuzz_support.h"
#include "track/altref.h"
#include "track/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string name = scratch_file("altref", data, size);
    load_small_track();
    std::snprintf(altref_file_name, FILE_NAME_SIZE, "%s", name.c_str());
    if (read_altitude_reference() == 0)
        derive_and_check();
    return 0;
}
