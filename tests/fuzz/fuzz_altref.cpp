#include "fuzz_support.h"
#include "track/altref.h"
#include "track/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_named_file("altref", altref_file_name, read_altitude_reference, data, size);
}
