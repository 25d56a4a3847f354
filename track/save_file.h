// Replacing the contents of a file on disk, the way that keeps the most of it safe.
#pragma once
#include <cstddef>

// Makes `size` bytes at `data` the contents of the file `name`, calling `opened` (unless
// null) once, as soon as a file to write them to is open. True when every byte reached the
// file; false when it could not be opened or any write, sync or close failed.
bool save_file(const char* name, const char* data, size_t size, void (*opened)(const char* name));
