// Helpers shared by the unit tests: scratch directories and files, the demo track, drawing
// without a window, and scripted input.
#pragma once
#include <string>
#include <utility>
#include <vector>

// A fresh directory under the system's temporary directory, removed with its contents on destruction.
struct ScratchDir {
    std::string path;
    ScratchDir();
    ~ScratchDir();
    std::string file(const std::string& name) const { return path + "/" + name; }
};

void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);

// Runs `step` with `dir` as the working directory; returns what it printed.
std::string printed_in(const std::string& dir, int (*step)());

// Writes `text` as the file `name` in a scratch directory, names it in `setting` (unless null)
// and runs `reader` there; returns what the reader printed.
std::string read_text(int (*reader)(), char* setting, const std::string& text, const char* name = "t.txt");

// An empty model with default file names and the given counts.
void fresh_model(int sections, int traces);
// Fills every trace slot, also those beyond the count, with a different value.
void fill_model(int sections, int traces);
// The model in the trace data layout, as a save writes it.
std::string formatted();
// Saves the model to `target` with a change pending, the history holding the state of the file read:
// "saved", "kept" (failed; that state still counts as the file's) or "changed" (failed; no state counts as
// the file's any more), then what the save printed.
std::string save(const std::string& target);

// Loads the bundled demo track (without graphics) into the model.
void load_demo_track();
// Memory bitmaps of w x h (and the given colour depth) as the page buffer and the screen, the fonts of the build and
// the layout: everything drawing needs, without a display.
void start_drawing(int w, int h, int depth = 32);

// Input read from a script instead of the library: the pointer and its buttons for successive
// polls (a gesture's loop or a pass of the main loop takes the next step), the keys in the
// queue and the close button; pauses are added up instead of waited for. A gesture that polls
// beyond the last step ends the test program.
struct PointerStep {
    int x, y, buttons;
};
struct ScriptedInput {
    std::vector<PointerStep> steps; // from the second on, taken one per poll
    std::vector<std::pair<int, bool>> keys; // scancode, shift held
    bool close = false;
    bool shift = false; // held with the key read last
    unsigned paused_ms = 0;
    size_t next = 0;
    unsigned idles = 0; // passes of the main loop that rested
};
// Installs the script (steps[0] is the state at once); the pointer stays at the last step.
void use_script(ScriptedInput* script);
// Whether every step and key of the script was taken.
bool script_done(const ScriptedInput& script);
// Plays steps (the first at once; the pointer rests at (630, 240) without them), keys and the
// close button through passes of the main loop, until all are taken and a pass has seen the
// last step, or the program quits.
void play(ScriptedInput* script, std::vector<PointerStep> steps, std::vector<std::pair<int, bool>> keys = {},
          bool close = false);
