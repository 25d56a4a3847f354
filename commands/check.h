// Finding and repairing height gaps and gradient breaks where sections meet.
#pragma once
#include "track/model.h"

struct JoinFaults {
    bool gap;  // the heights differ by more than one track unit
    bool kink; // the gradients differ by more than the tolerance
};

struct CheckReport {
    int gap_count, kink_count;
    int gap_sections[MAX_SECTIONS];  // sections whose end has a height gap, in order
    int kink_sections[MAX_SECTIONS]; // sections whose end has a gradient break, in order
};

// Judges the join between section s and the next one (the wrap-around slot after the last) on trace t.
JoinFaults check_join(int s, int t);
// Refits both sections at that join so that they meet in height and gradient.
void repair_join(int s, int t);
// Walks every join of every trace; with `fix` set, repairs each faulty one and marks the
// data modified. The report describes the joins as found.
void scan_joins(int fix, CheckReport* report);

// Reports (and with `fix` set repairs) the faulty joins on the screen.
void check_and_fix(int fix);
