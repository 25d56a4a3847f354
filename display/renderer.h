// The editor's view: the cross-section of the selected section and the height profile.
#pragma once

struct Frame;

// Draws both panels into the page buffer and shows the page. Callers leave the drawing
// mode solid.
void draw_view();

// The profile's section start lines with their labels and every trace's polyline, as
// draw_view paints them into the page buffer; the clip is the caller's.
void paint_profile_lines(const Frame& f);
