// Replacing the contents of a file on disk, the way that keeps the most of it safe.
#pragma once
#include <cstddef>

enum SaveOutcome {
    SAVE_DONE,           // every byte reached the file
    SAVE_FAILED,         // the file is as it was: untouched, or its previous contents put back
    SAVE_FAILED_CHANGED, // the file may hold neither the previous contents nor the new
};

struct SaveResult {
    SaveOutcome outcome;
    int error;          // the errno value of the step that failed; 0 when saved
    const char* reason; // that failure for the user: strerror's text or a more telling one
};

// Makes `size` bytes at `data` the contents of the file `name`, calling `opened` (unless
// null) once, as soon as a file to write them to is open. It never waits for a reader: a
// FIFO that no process reads, or whose reader takes nothing for a few seconds, fails.
SaveResult save_file(const char* name, const char* data, size_t size, void (*opened)(const char* name));
