// A panel of the screen: the rectangle the layout gives it and the value ranges at its edges,
// which the renderer sets at every frame. It maps values to screen positions and back exactly
// as the last frame was drawn, and tells which pixels belong to it.
#pragma once
#include <cstdint>

struct Panel {
    // Left column, width, the row of the bottom edge and a negative height (rows grow downward).
    const int32_t &left, &width, &bottom, &height;
    // Values at the left and right edges and at the bottom and top edges.
    const float &x_low, &x_high, &y_low, &y_high;

    // Screen positions in double, however far off the screen; truncated and held within reach.
    double x_position(double value) const;
    double y_position(double value) const;
    int32_t to_x(float value) const;
    int32_t to_y(float value) const;
    // The value a column or row stands for, extrapolated beyond the edges.
    double from_x(int32_t x) const;
    double from_y(int32_t y) const;
    // The row of the value `share` of the value range below the top edge, where labels stand;
    // worked out in double and mapped as every value is.
    int32_t band_row(double share) const;
    // Whether a pixel lies in the panel, edges included; whether a row lies on its bottom row or
    // above it.
    bool contains(int32_t x, int32_t y) const;
    bool reaches_down_to(int32_t y) const { return y <= bottom; }
    // The clip rectangle of the panel, both edges included: columns left..right, rows top..bottom.
    int32_t top_row() const { return bottom + height; }
    int32_t right_column() const { return left + width; }
};

// The height profile (lower panel: distance along the selected trace, height) and the
// cross-section (upper right: lateral offset, height).
extern const Panel profile_panel, cross_panel;
