// Shared by the fuzz targets: feeding bytes to the readers through a scratch file, a small
// track to read geometry against, and the derivations that run on whatever was accepted.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Writes the bytes to a scratch file of this process and returns its name.
std::string scratch_file(const char* tag, const uint8_t* data, size_t size);
// A small track of a few sections and traces with smooth heights.
void load_small_track();
// Derives lengths and distances and runs the check (detection only) on the model.
void derive_and_check();
// Feeds the bytes to `reader`, which reads the file named in `name_field`, on the small
// track, and derives and checks the result when the reader accepts it.
int fuzz_named_file(const char* tag, char* name_field, int (*reader)(), const uint8_t* data, size_t size);
