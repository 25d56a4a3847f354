// The arithmetic of a height and gradient edit at the start of a section, without drawing.
#pragma once
#include <cstdint>

#include "track/model.h"

// The section whose start along the selected trace is nearest to distance d (metres).
int nearest_section(float d);
// Gradient at the start of section slot `s` of trace t; 0 where the trace has no length there.
double start_gradient(int s, int t);

// New records of the previous section p and of section s for trace t, for a new height h
// (metres) and gradient g at the start of s.
void edit_coefficients(int s, int t, double h, double g, TracePoint* p_new, TracePoint* s_new);

// Stores `record` as trace t's record of `section`, kept for undo in the open change. When t is
// the centre-line trace every trace takes the same change of each of its four fields, so the
// whole width moves together. The wrap-around slot follows.
void apply_record(int section, int t, const TracePoint& record);

// Applies the edit to the model: trace t alone, or every trace by the same amounts when t
// is the centre-line trace; the wrap-around slot is refreshed. `g` must be finite.
void apply_edit(int s, int t, double h, double g);
