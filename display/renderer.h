// The editor's view: the cross-section of the selected section and the height profile.
#pragma once

// Draws both panels into the page buffer and shows the page.
void draw_view();

// When set, the profile traces are drawn one segment at a time through the mapping's
// line function instead of the merged polylines (used to compare the two).
extern bool draw_every_segment;

// Colours of the view, made for the current screen depth.
int colour_grey();
int colour_white();
