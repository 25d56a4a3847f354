#include "fuzz_support.h"
#include "track/geometry.h"
#include "track/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_named_file("tracepos", tracepos_file_name, read_trace_positions, data, size);
}
