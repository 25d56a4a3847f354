// Standard input, output and error of a process started with some of them closed.
#pragma once
#include <cstdio>

// Opens /dev/null onto each of descriptors 0, 1 and 2 that is closed, so that no file the
// program opens later takes their place and receives what is printed. Call it before anything
// else opens a file; false when /dev/null could not be opened.
bool open_standard_descriptors();

// Makes the program end with status 1 and "PROGRAM: write error" on standard error when
// anything written to `output` (its standard output, or where that was moved) was lost, as
// tools in a pipeline do. A later call names another stream instead.
void check_output_at_exit(const char* program, FILE* output);
