// Zooming the profile to a rectangle dragged with the right button.
#pragma once

int zoom_by_rectangle();
// Applies a zoom to the rectangle with corners (x1, y1) and (x2, y2) in screen pixels.
// Returns 0 when the view changed, 1 when the section range would be a single section,
// 2 when the height range would be empty.
int zoom_to_rectangle(int x1, int y1, int x2, int y2);
