// Refitting one section's cubic so that it keeps its start and meets a given end.
#pragma once
#include <cstdint>

// For a cubic over u in [0, 1] with start height `a` and start derivative `b`, sets the
// quadratic and cubic coefficients so that it ends at height `end` with derivative
// `end_derivative` (all in track units per whole section), truncated toward zero.
void hermite_end(double a, double b, double end, double end_derivative, int32_t* quad, int32_t* cubic);
