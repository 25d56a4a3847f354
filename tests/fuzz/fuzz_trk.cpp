#include "fuzz_support.h"
#include "track/geometry.h"
#include "track/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_named_file("trk", trk_file_name, read_trk_geometry, data, size);
}
