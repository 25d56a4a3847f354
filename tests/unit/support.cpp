#include "support.h"

#include <allegro.h>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "display/graphics.h"
#include "display/layout.h"
#include "interaction/flags.h"
#include "interaction/input.h"
#include "interaction/main_loop.h"
#include "track/config.h"
#include "track/model.h"
#include "track/history.h"
#include "track/startup.h"
#include "track/trace_data.h"

std::string printed_in(const std::string& dir, int (*step)())
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    testing::internal::CaptureStdout(), step();
    std::filesystem::current_path(previous);
    return testing::internal::GetCapturedStdout();
}

ScratchDir::ScratchDir()
{
    char name[] = "/tmp/vemora-test-XXXXXX";
    path = mkdtemp(name);
}

ScratchDir::~ScratchDir()
{
    if (std::system(("chmod -R u+w '" + path + "' 2>/dev/null; rm -rf '" + path + "'").c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", path.c_str());
}

void write_file(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string read_text(int (*reader)(), char* setting, const std::string& text, const char* name)
{
    ScratchDir dir;
    write_file(dir.file(name), text);
    if (setting)
        std::snprintf(setting, FILE_NAME_SIZE, "%s", name);
    return printed_in(dir.path, reader);
}

void load_demo_track()
{
    fresh_model(0, 0);
    printed_in(VEMORA_SOURCE_DIR "/examples/demo", [] { load_track(); return 0; });
}

void fresh_model(int sections, int traces)
{
    reset_track_model();
    data_modified = quit_requested = left_button_held = 0;
    set_default_file_names();
    num_sections = sections;
    num_traces = traces;
}

void fill_model(int sections, int traces)
{
    fresh_model(sections, traces);
    for (int s = 0, t = 0; s < sections; t = (t + 1) % MAX_TRACES, s += !t)
        section_length[s] = 90000 + 5000 * s,
        trace_point[s][t] = {1000 * s - 77 * t, -3 * t - s, 11 * t + s, -(t * s) - 1};
    trace_point[1][15] = {INT32_MIN, INT32_MAX, -1, 0};
}

std::string formatted()
{
    std::string text(trace_data_capacity(), '\0');
    text.resize(format_trace_data(&text[0], text.size()));
    return text;
}

std::string save(const std::string& target)
{
    std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", target.c_str());
    history_clear();
    data_modified = 1, testing::internal::CaptureStdout();
    const int result = write_trace_data();
    const std::string printed = testing::internal::GetCapturedStdout();
    const bool unsaved = history_unsaved();
    return std::string(result == 0 ? (data_modified || unsaved ? "wrong" : "saved")
                       : !data_modified ? "wrong" : unsaved ? "changed" : "kept") + "; " + printed;
}

void start_drawing(int w, int h, int depth)
{
    if (!system_driver)
        install_allegro(SYSTEM_NONE, &errno, atexit);
    if (!fonts_datafile && !load_font_datafile(VEMORA_BUILD_DIR "/fonts.dat"))
        std::abort();
    set_color_depth(depth);
    text_font = font, small_font = font_5x6, medium_font = font_7x8;
    destroy_bitmap(page_buffer), destroy_bitmap(screen);
    page_buffer = create_bitmap(w, h), screen = create_bitmap(w, h);
    compute_layout(w, h);
}

static ScriptedInput* script;

static PointerStep now_at() { return script->steps[std::min(script->next, script->steps.size() - 1)]; }

static void advance()
{
    if (++script->next > script->steps.size() + 100000) { // the pointer rests at the last step meanwhile
        std::fprintf(stderr, "the input script ran out while a gesture waits for the mouse\n");
        std::abort();
    }
}

static const InputSource scripted = {
    [] { return now_at().x; },
    [] { return now_at().y; },
    [] { return now_at().buttons; },
    [] { return !script->keys.empty(); },
    [] {
        const int scancode = script->keys.front().first;
        script->shift = script->keys.front().second;
        script->keys.erase(script->keys.begin());
        return scancode << 8;
    },
    [] { return script->shift; },
    [] { return std::exchange(script->close, false); },
    [](unsigned ms) { script->paused_ms += ms; },
    advance,
    [] { script->idles++, advance(); },
};

void use_script(ScriptedInput* s)
{
    script = s;
    if (script->steps.empty())
        script->steps.push_back({0, 0, 0});
    input_source = &scripted;
}

bool script_done(const ScriptedInput& s)
{
    return s.keys.empty() && s.next + 1 >= s.steps.size();
}

void play(ScriptedInput* s, std::vector<PointerStep> steps, std::vector<std::pair<int, bool>> keys, bool close)
{
    s->steps = steps.empty() ? std::vector<PointerStep>{{630, 240, 0}} : steps;
    s->next = 0, s->keys = keys, s->close = close;
    use_script(s);
    do
        main_loop_pass();
    while (!script_done(*s) && !quit_requested);
    if (!quit_requested)
        main_loop_pass(); // sees the last step
}
