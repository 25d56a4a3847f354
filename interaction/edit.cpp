#include "interaction/edit.h"

#include <allegro.h>
#include <cmath>
#include <vector>

#include "display/colours.h"
#include "display/lines.h"
#include "display/messages.h"
#include "display/panel.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "interaction/input.h"
#include "interaction/status.h"
#include "track/chain.h"
#include "track/model.h"

namespace {

struct Pointer {
    int x, y;
};

Pointer pointer_now()
{
    return {pointer_x(), pointer_y()};
}

bool moved(const Pointer& last)
{
    return pointer_x() != last.x || pointer_y() != last.y;
}

void wait_until_buttons_up()
{
    while (mouse_buttons())
        poll_input();
}

// A preview is drawn on the screen in exclusive-or, confined to the profile panel, so that
// drawing it again erases it; a reading shown meanwhile ends the preview and begins it again.
void begin_preview()
{
    drawing_mode(DRAW_MODE_XOR, nullptr, 0, 0);
    clip_to(screen, profile_panel);
}

void end_preview()
{
    drawing_mode(DRAW_MODE_SOLID, nullptr, 0, 0);
    unclip(screen);
}

// The line through the new point and the pointer, continued as far on the other side.
void draw_gradient_line(float start, float h, float dx, float dy)
{
    profile_line(screen, start - dx, h - dy, start + dx, h + dy, colour(WHITE));
}

// The angle shown while a gradient is defined; a vertical pointer direction reads ±90.
double gradient_degrees(float dx, float dy)
{
    double a = dx != 0.0f ? std::atan((double)dy / dx) : (dy > 0 ? M_PI / 2 : dy < 0 ? -M_PI / 2 : 0.0);
    return to_degrees(a);
}

// The height follows the pointer's row while a button is down. Returns the new height in
// metres once every button is up, with the point marked and the gradient prompts shown.
float drag_height(int s, int t)
{
    Pointer last = pointer_now();
    float h = (float)y_to_height(last.y);
    // The preview keeps the gradient that section s has now at its start.
    auto preview = [&] { draw_edit_preview((float)trace_length[s][t], (float)trace_point[s][t].slope, h, s); };
    scare_mouse();
    message_line(4, 10, "Release MBTN1 to set new height.");
    begin_preview();
    preview();
    unscare_mouse();
    while (mouse_buttons()) {
        poll_input();
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
    circle(screen, distance_to_x(trace_start_m[s][t]), height_to_y(h), 2, colour(WHITE));
    message_line(4, 10, "New height set!");
    message_line(4, 20, "Now define gradient");
    message_line(4, 30, "MBTN1 to set");
    message_line(4, 40, "MBTN2 to cancel");
    unscare_mouse();
    return h;
}

// The gradient line and the preview for it, drawn (or, drawn again, erased) in XOR mode.
void draw_gradient_figures(int s, float start, float h, float dx, float dy)
{
    draw_gradient_line(start, h, dx, dy);
    draw_edit_preview(dx, dy, h, s);
}

struct Gradient {
    int s;
    float start, h; // the edited point
    float dx, dy;   // from the point to the pointer, metres
    void towards(const Pointer& p)
    {
        dx = (float)(x_to_distance(p.x) - start);
        dy = (float)(y_to_height(p.y) - h);
    }
    void draw() const { draw_gradient_figures(s, start, h, dx, dy); }
};

// Shows the gradient towards the pointer and follows it until a button goes down; the figures
// stay drawn, in an open preview.
void follow_pointer_until_click(Gradient& g)
{
    Pointer last = pointer_now();
    g.towards(last);
    scare_mouse();
    begin_preview();
    g.draw();
    unscare_mouse();
    while (!mouse_buttons()) {
        poll_input();
        if (!moved(last))
            continue;
        scare_mouse();
        g.draw();
        last = pointer_now();
        g.towards(last);
        g.draw();
        if (show_angles) {
            end_preview();
            draw_reading("Current gradient: ", "Current gradient:       ", "Current gradient: %6.1f degrees",
                         gradient_degrees(g.dx, g.dy));
            begin_preview();
        }
        unscare_mouse();
    }
}

// Straight above the section start there is no gradient: the figures go and the click is let
// go of. False when the right button cancelled meanwhile.
bool drop_click_without_gradient(const Gradient& g)
{
    scare_mouse();
    g.draw();
    unscare_mouse();
    while (mouse_buttons() && !(mouse_buttons() & 2))
        poll_input();
    return !(mouse_buttons() & 2);
}

// Waits for the click that fixes the gradient. Returns false when the edit was cancelled.
bool define_gradient(int s, int t, float h, float* dx, float* dy)
{
    Gradient g{s, trace_start_m[s][t], h, 0.0f, 0.0f};
    for (;;) {
        follow_pointer_until_click(g);
        const bool cancel = mouse_buttons() & 2;
        if (!cancel && g.dx != 0.0f) {
            end_preview();
            *dx = g.dx;
            *dy = g.dy;
            return true;
        }
        if (cancel || !drop_click_without_gradient(g)) {
            end_preview();
            wait_until_buttons_up();
            return false;
        }
    }
}

} // namespace

void draw_section_curve(int section, const TracePoint& p)
{
    const int N = steps_per_section;
    const int t = selected_trace;
    if (N < 2)
        return;
    std::vector<float> distance(N), height(N);
    for (int i = 0; i < N; i++) {
        double u = (double)i / (N - 1);
        distance[i] = (float)(to_int32(u * trace_length[section][t] + trace_start[section][t]) / UNITS_PER_METRE);
        height[i] = (float)(height_at(p, u) / UNITS_PER_METRE);
    }
    const int curve = colour(LIGHT_CYAN);
    for (int i = 0; i + 1 < N; i++)
        profile_line(screen, distance[i], height[i], distance[i + 1], height[i + 1], curve);
}

void draw_edit_preview(float run, float rise, float h, int s)
{
    if (run == 0.0f)
        return; // no finite gradient to show
    TracePoint p_new, s_new;
    edit_coefficients(s, selected_trace, h, (double)rise / run, &p_new, &s_new);
    draw_section_curve(previous_section(s), p_new);
    draw_section_curve(s, s_new);
}

int edit_height_and_gradient()
{
    const Pointer at = pointer_now();
    float d = (float)x_to_distance(at.x);
    left_button_held = 1;
    if (!profile_panel.contains(at.x, at.y))
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
    update_data_modified();
    return 0;
}
