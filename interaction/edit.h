// Editing heights and gradients with the mouse in the profile panel.
#pragma once
#include <cstdint>

#include "track/model.h"

int edit_height_and_gradient();
void draw_edit_preview(float run, float rise, float h, int s);
// The curve of `p` over `section` along the selected trace, on the screen.
void draw_section_curve(int section, const TracePoint& p);
