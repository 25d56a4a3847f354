#include "interaction/edit.h"

#include <allegro.h>
#include <cmath>

#include "display/graphics.h"
#include "display/layout.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "interaction/status.h"
#include "track/model.h"

namespace {

struct Pointer {
    int x, y;
};

Pointer pointer_now()
{
    return {mouse_x, mouse_y};
}

bool moved(const Pointer& last)
{
    return mouse_x != last.x || mouse_y != last.y;
}

// A preview is drawn on the screen in exclusive-or, confined to the profile panel, so that
// drawing it again erases it; a reading shown meanwhile ends the preview and begins it again.
void begin_preview()
{
    drawing_mode(DRAW_MODE_XOR, nullptr, 0, 0);
    clip_to_profile(screen);
}

void end_preview()
{
    drawing_mode(DRAW_MODE_SOLID, nullptr, 0, 0);
    unclip(screen);
}

void prompt(int row, const char* text)
{
    textprintf_ex(screen, text_font, 4, row, makecol(255, 255, 255), -1, "%s", text);
}

bool outside_profile(int x, int y)
{
    return x < profile_left || x > profile_left + profile_width || y > profile_bottom ||
           y < profile_bottom + profile_height;
}

// The line through the new point and the pointer, continued as far on the other side.
void draw_gradient_line(float start, float h, float dx, float dy)
{
    profile_line(screen, start - dx, h - dy, start + dx, h + dy, makecol(255, 255, 255));
}

// The angle shown while a gradient is defined; a vertical pointer direction reads ±90.
double gradient_degrees(float dx, float dy)
{
    double a = dx != 0.0f ? std::atan((double)dy / dx) : (dy > 0 ? M_PI / 2 : dy < 0 ? -M_PI / 2 : 0.0);
    return to_degrees(a);
}

// Returns the new height in metres once every button is up.
float drag_height(int s, int t)
{
    Pointer last = pointer_now();
    float h = (float)y_to_height(mouse_y);
    // The preview keeps the gradient that section s has now at its start.
    auto preview = [&] { draw_edit_preview((float)trace_length[s][t], (float)trace_point[s][t].slope, h, s); };
    scare_mouse();
    prompt(10, "Release MBTN1 to set new height.");
    begin_preview();
    preview();
    unscare_mouse();
    while (mouse_b) {
        if (!moved(last))
            continue;
        scare_mouse();
        preview();
        last = pointer_now();
        h = (float)y_to_height(last.y);
        preview();
        end_preview();
        draw_reading("Current height:", "Current height:       ", "Current height: %6.2f m", h);
        begin_preview();
        unscare_mouse();
    }
    scare_mouse();
    preview();
    end_preview();
    unscare_mouse();
    draw_view();
    scare_mouse();
    circle(screen, distance_to_x(trace_start_m[s][t]), height_to_y(h), 2, makecol(255, 255, 255));
    prompt(10, "New height set!");
    prompt(20, "Now define gradient");
    prompt(30, "MBTN1 to set");
    prompt(40, "MBTN2 to cancel");
    unscare_mouse();
    return h;
}

// The gradient line and the preview for it, drawn (or, drawn again, erased) in XOR mode.
void draw_gradient_figures(int s, float start, float h, float dx, float dy)
{
    draw_gradient_line(start, h, dx, dy);
    draw_edit_preview(dx, dy, h, s);
}

// Waits for the click that fixes the gradient. Returns false when the edit was cancelled.
bool define_gradient(int s, int t, float h, float* dx, float* dy)
{
    const float start = trace_start_m[s][t];
    for (;;) {
        Pointer last = pointer_now();
        *dx = (float)(x_to_distance(last.x) - start);
        *dy = (float)(y_to_height(last.y) - h);
        scare_mouse();
        begin_preview();
        draw_gradient_figures(s, start, h, *dx, *dy);
        unscare_mouse();
        while (!mouse_b) {
            if (!moved(last))
                continue;
            scare_mouse();
            draw_gradient_figures(s, start, h, *dx, *dy);
            last = pointer_now();
            *dx = (float)(x_to_distance(last.x) - start);
            *dy = (float)(y_to_height(last.y) - h);
            draw_gradient_figures(s, start, h, *dx, *dy);
            if (show_angles) {
                end_preview();
                draw_reading("Current gradient: ", "Current gradient:       ", "Current gradient: %6.1f degrees",
                             gradient_degrees(*dx, *dy));
                begin_preview();
            }
            unscare_mouse();
        }
        bool cancel = mouse_b & 2;
        if (!cancel && *dx != 0.0f) {
            end_preview();
            return true;
        }
        if (!cancel) {
            // Straight above the section start there is no gradient: take the figures off
            // and wait for a click elsewhere.
            scare_mouse();
            draw_gradient_figures(s, start, h, *dx, *dy);
            unscare_mouse();
            while (mouse_b && !(mouse_b & 2))
                ;
            cancel = mouse_b & 2;
            if (!cancel)
                continue;
        }
        end_preview();
        while (mouse_b)
            ;
        return false;
    }
}

} // namespace

void draw_section_curve(int section, const TracePoint& p)
{
    const int N = steps_per_section;
    const int t = selected_trace;
    float distance[64], height[64];
    if (N < 2 || N > 64)
        return;
    for (int i = 0; i < N; i++) {
        double u = (double)i / (N - 1);
        distance[i] = (float)(to_int32(u * trace_length[section][t] + trace_start[section][t]) / UNITS_PER_METRE);
        height[i] = (float)(height_at(p, u) / UNITS_PER_METRE);
    }
    int colour = makecol(224, 255, 255);
    for (int i = 0; i + 1 < N; i++)
        profile_line(screen, distance[i], height[i], distance[i + 1], height[i + 1], colour);
}

void draw_edit_preview(float run, float rise, float h, int s)
{
    if (run == 0.0f)
        return; // no finite gradient to show
    int32_t p_block[4], s_block[4];
    edit_coefficients(s, selected_trace, h, (double)rise / run, p_block, s_block);
    draw_section_curve(previous_section(s), {p_block[0], p_block[1], p_block[2], p_block[3]});
    draw_section_curve(s, {s_block[0], s_block[1], s_block[2], s_block[3]});
}

int edit_height_and_gradient()
{
    float d = (float)x_to_distance(mouse_x);
    left_button_held = 1;
    if (outside_profile(mouse_x, mouse_y))
        return 0;
    int n = nearest_section(d);
    if (n != selected_section) {
        selected_section = n;
        draw_view();
        return 0;
    }
    int s = n, t = selected_trace;
    float h = drag_height(s, t);
    float dx, dy;
    if (!define_gradient(s, t, h, &dx, &dy)) {
        draw_view();
        return 0;
    }
    apply_edit(s, t, h, (double)dy / dx);
    draw_view();
    data_modified = 1;
    return 0;
}
