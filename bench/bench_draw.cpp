// A full redraw of the largest track (4095 sections, 16 traces, the whole track shown,
// angle labels on); and its profile lines alone, as the renderer draws them and as the
// straightforward reference draws them, one line per segment.
//
// The page is drawn off screen; when DISPLAY names an X server (Xvfb will do), the
// "window" variants also open a window of the same size so that the copy to the
// screen is part of each frame.
#include <benchmark/benchmark.h>

#include <allegro.h>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "display/frame.h"
#include "display/graphics.h"
#include "display/layout.h"
#include "display/lines.h"
#include "display/panel.h"
#include "display/renderer.h"
#include "display/view.h"
#include "tests/unit/reference_profile.h"
#include "track/lengths.h"
#include "track/model.h"

namespace {

// Heights of a hilly circuit: smooth waves along the track, a banked cross profile,
// and a cubic wiggle inside every section so the curves are not straight lines.
void largest_track()
{
    reset_track_model();
    num_sections = MAX_SECTIONS - 1;
    num_traces = MAX_TRACES;
    for (int t = 0; t < num_traces; t++)
        trace_offset[t] = -7.5f + t;
    for (int s = 0; s < num_sections; s++) {
        section_length[s] = 60000 + (s * 7919) % 80000;
        section_radius[s] = s % 3 ? 0.0f : 90.0f + s % 70;
    }
    for (int s = 0; s < num_sections; s++) {
        double here = 12.0 * std::sin(s * 0.013) + 4.0 * std::sin(s * 0.11);
        double next = 12.0 * std::sin((s + 1) * 0.013) + 4.0 * std::sin((s + 1) * 0.11);
        for (int t = 0; t < num_traces; t++) {
            double bank = 0.04 * (t - 7.5) * std::sin(s * 0.05);
            int32_t h = (int32_t)((here + bank) * UNITS_PER_METRE);
            int32_t rise = (int32_t)((next - here) * UNITS_PER_METRE);
            int32_t wiggle = (int32_t)(0.3 * UNITS_PER_METRE) * ((s + t) % 5 - 2);
            trace_point[s][t] = {h, rise, 3 * wiggle, -2 * wiggle};
        }
    }
    centre_trace = 7;
    compute_trace_lengths();
    show_angles = 1;
}

bool windowed_mode; // the X system driver is installed
int window_w, window_h;

bool prepare(int w, int h, bool window)
{
    if (window && (window_w != w || window_h != h)) {
        if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, w, h, 0, 0) != 0)
            return false;
        window_w = w;
        window_h = h;
    }
    if (page_buffer)
        destroy_bitmap(page_buffer);
    page_buffer = create_bitmap(w, h);
    compute_layout(w, h);
    largest_track();
    return true;
}

void draw_frame(benchmark::State& state, int w, int h, bool window)
{
    if (!prepare(w, h, window)) {
        state.SkipWithError(("cannot open the window: " + std::string(allegro_error)).c_str());
        return;
    }
    for (auto _ : state) {
        draw_view();
        benchmark::ClobberMemory();
    }
}

void draw_profile(benchmark::State& state, int w, int h, void (*paint)(const Frame&))
{
    prepare(w, h, false);
    Frame f;
    compute_frame(&f);
    clip_to(page_buffer, profile_panel);
    for (auto _ : state) {
        clear_bitmap(page_buffer);
        paint(f);
        benchmark::ClobberMemory();
    }
    release_frame(&f);
}

void register_all(bool with_window)
{
    const struct {
        int w, h;
    } sizes[] = {{640, 480}, {1600, 1200}};
    for (auto size : sizes) {
        std::string wh = std::to_string(size.w) + "x" + std::to_string(size.h);
        for (int window = 0; window <= (with_window ? 1 : 0); window++)
            benchmark::RegisterBenchmark(("draw_view/" + wh + "/fast" + (window ? "/window" : "/offscreen")).c_str(),
                                         draw_frame, size.w, size.h, window != 0)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("profile/" + wh + "/fast").c_str(), draw_profile, size.w, size.h,
                                     paint_profile_lines)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("profile/" + wh + "/reference").c_str(), draw_profile, size.w, size.h,
                                     reference_profile_lines)
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const char* display = std::getenv("DISPLAY");
    windowed_mode = display && display[0] && allegro_init() == 0;
    if (!windowed_mode && install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        return 1;
    int depth = windowed_mode ? desktop_color_depth() : 0;
    set_color_depth(depth > 0 ? depth : 32);
    if (!load_font_datafile(VEMORA_BUILD_DIR "/fonts.dat")) {
        std::fprintf(stderr, "cannot load " VEMORA_BUILD_DIR "/fonts.dat\n");
        return 1;
    }
    text_font = font;
    small_font = font_5x6;
    medium_font = font_7x8;
    register_all(windowed_mode);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
