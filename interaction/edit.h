// Editing heights and gradients with the mouse in the profile panel.
#pragma once
#include <cstdint>

int edit_height_and_gradient();
// The section whose start along the selected trace is nearest to distance d (metres).
int nearest_section(float d);
void draw_edit_preview(float run, float rise, float h, int s);
void draw_section_curve(int section, const float* block);
