// The editor's view: the cross-section of the selected section and the height profile.
#pragma once

// Draws both panels into the page buffer and shows the page.
void draw_view();

// When set, the profile is drawn the straightforward way, to compare the fast drawing
// against: every section start line and every trace segment through the mapping's line
// function, and the section labels with textprintf_ex.
extern bool draw_every_segment;
