// The trace data file: the heights of every trace, read at start and saved on request.
#pragma once
#include <cstddef>
#include <cstdio>

// Reads `in_file_name`; ends the program with status 1 when the file is missing or unusable.
int read_trace_data();
// Reads a trace data file from an open stream into the model, in a fixed amount of memory.
// True when it was read; otherwise false with a description of the fault in `why`.
// The counts are checked before anything is stored.
bool parse_trace_data(FILE* file, char* why, size_t why_size);
// Reads and parses the trace data file at `path`; true when it was read, else false with the reason in `why`.
bool load_trace_data(const char* path, char* why, size_t why_size);

// Writes the model to `out_file_name`. Returns 0 on success; 1, with a warning and the reason on
// standard output (and on the screen through saving_failed), when the file could not be written
// completely. The unsaved flag is kept; where the failure may have changed the file, no state of
// the history counts as saved any more.
int write_trace_data();
// Formats the model in the trace data layout into `buffer`; returns the length, or -1
// when the buffer is smaller than trace_data_capacity().
int format_trace_data(char* buffer, size_t size);
// Number of bytes the formatted model needs at most.
size_t trace_data_capacity();

// Hooks through which the display shows the saving message and pauses afterwards, or shows
// why a save failed (`file_name` empty: no OUTFILE); all stay null where there is no screen.
extern void (*saving_notice)(const char* file_name);
extern void (*saving_pause)();
extern void (*saving_failed)(const char* file_name, const char* reason);
