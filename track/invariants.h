// What must hold of the model between any two commands or gestures, checked in one place.
#pragma once

// Null when every invariant holds, else a description of the first one broken:
// - the wrap-around slot mirrors section 0 on every trace in use;
// - trace_start is the running sum of trace_length on every trace (0 at section 0 and in the
//   wrap-around slot);
// - the shown section and trace ranges and the selection lie within the counts;
// - the unsaved flag says what the undo history says.
const char* broken_invariant();

// Debug builds check the invariants after every command and gesture and stop at the first
// one broken, naming it; elsewhere this does nothing.
void check_invariants(const char* after);
