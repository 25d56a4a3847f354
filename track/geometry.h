// Plan geometry: section radii and lateral trace positions, from the simulation's
// binary track file or from two small text files.
#pragma once
#include <cstdint>

int read_trk_geometry();
int read_trace_positions();
int read_section_radii();
// Warns when the sections' turning angles do not add up to whole turns.
void check_closure();

// Radius in metres of a section record of the track file: 0 for a straight section
// and for a curve without heading change.
float radius_from_record(uint8_t kind, int32_t length, int32_t heading_change);
// Missing angle in degrees to the nearest whole number of turns for a turning total in radians.
float missing_closure_degrees(float total_radians);
