// Undo and redo of changes to the heights. Every change keeps the trace_point records it
// touched, before and after, in a pool of fixed capacity; the oldest changes are forgotten
// when the pool or the list of changes runs full.
#pragma once
#include <cstdint>

#include "track/model.h"

enum ChangeKind : int32_t { CHANGE_EDIT, CHANGE_FIX, CHANGE_LEVEL, CHANGE_SMOOTH };

// What a change was, for the messages: the edited section, the number of joins repaired, or
// the first and last section of a levelled or smoothed stretch.
struct ChangeInfo {
    ChangeKind kind;
    int32_t number;
    int32_t last;
};

// Records kept in all; enough for a fix of the largest track (two records a join) and many edits.
constexpr int32_t HISTORY_RECORDS = 1 << 18;
// Changes remembered at most.
constexpr int32_t HISTORY_CHANGES = 4096;

// Forgets every change; the model as it is now is the state of the file last read.
void history_clear();

// Opens a change. Call history_touch before each change of a record, then history_end.
void history_begin();
// Keeps the record's present value once per change (with its wrap-around partner). The first
// touch of a change forgets the changes that could have been put back.
void history_touch(int32_t section, int32_t trace);
// Closes the change. A change that touched nothing is no change and is not kept.
void history_end(ChangeKind kind, int32_t number, int32_t last = 0);

// Takes back the last change (puts back the last one taken back); false when there is none.
bool history_undo(ChangeInfo* info);
bool history_redo(ChangeInfo* info);

// The model as it is now is what the file holds (after a save).
void history_mark_saved();
// The file holds no state of the history (after a save that failed part-way).
void history_forget_saved();
// Whether the model differs from the state of the file last read or written, as far as the
// history knows: a saved state that was forgotten or cut off never matches again.
bool history_unsaved();
// Whether the list or the pool ran full and the oldest changes were forgotten.
bool history_forgot_older();
