// Finding and repairing height gaps and gradient breaks where sections meet.
#pragma once
#include "track/model.h"

#include <cstdint>

struct JoinFaults {
    bool gap;             // the heights differ by more than one track unit
    bool kink;            // the gradients differ by more than the tolerance
    double height_step;   // how far the heights differ, track units
    double gradient_step; // how far the gradients differ (a ratio); 0 where there are none to compare
};

struct CheckReport {
    int gap_count, kink_count;
    int repaired;                    // joins (section and trace) repaired by a fix
    int gap_sections[MAX_SECTIONS];  // sections whose end has a height gap, in order
    int kink_sections[MAX_SECTIONS]; // sections whose end has a gradient break, in order
    // For each listed section: the traces at fault (bit t for trace t) and the largest
    // height step (track units) or gradient difference among them.
    uint16_t gap_traces[MAX_SECTIONS], kink_traces[MAX_SECTIONS];
    double gap_largest[MAX_SECTIONS], kink_largest[MAX_SECTIONS];
};

// Judges the join between section s and the next one (the wrap-around slot after the last) on trace t.
JoinFaults check_join(int s, int t);
// Refits both sections at that join so that they meet in height and gradient.
void repair_join(int s, int t);
// Walks every join of every trace; with `fix` set, repairs each faulty one, marks the data
// modified and keeps the repairs as one change for undo. The report describes the joins as found.
void scan_joins(int fix, CheckReport* report);
