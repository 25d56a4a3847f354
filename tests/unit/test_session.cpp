// Sessions played through the main loop with the real handlers, off screen: the edit gesture and
// what cancels or ignores it, undo and redo with the unsaved flag, and the guard against quitting
// with unsaved data (what the frames look like is in the golden images).
#include <allegro.h>
#include <gtest/gtest.h>

#include "display/renderer.h"
#include "interaction/flags.h"
#include "support.h"
#include "track/invariants.h"
#include "track/model.h"

namespace {

std::vector<int32_t> heights() { return {(int32_t*)trace_point, (int32_t*)trace_point + sizeof trace_point / 4}; }

struct Session : ::testing::Test {
    ScriptedInput input;
    ScratchDir dir;
    void SetUp() override
    {
        start_drawing(640, 480), load_demo_track(), draw_view();
        std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", dir.file("saved.txt").c_str());
    }
    void TearDown() override { EXPECT_EQ(broken_invariant(), nullptr) << "after the session"; }
};

// The gesture at the start of the section at column 400 (the first press only selects it), cut short or
// ended in several ways: which section is selected, whether the heights changed, and the flags afterwards.
TEST_F(Session, EditGesture)
{
    const std::vector<PointerStep> select = {{400, 330, 1}, {400, 330, 0}}, drag = {{400, 330, 1}, {400, 260, 1},
                                                                                     {400, 260, 0}, {445, 215, 0}};
    auto then = [](std::vector<PointerStep> a, const std::vector<PointerStep>& b) {
        return a.insert(a.end(), b.begin(), b.end()), a;
    };
    const struct { const char* what; std::vector<PointerStep> steps; int selected; bool changed; } cases[] = {
        {"a click selects", select, 91, false},
        {"a left click sets the gradient", then(then(select, drag), {{445, 215, 1}, {445, 215, 0}}), 91, true},
        {"the middle button too", then(then(select, drag), {{445, 215, 4}, {445, 215, 0}}), 91, true},
        {"the right button cancels", then(then(select, drag), {{445, 215, 2}, {445, 215, 0}}), 91, false},
        {"outside the profile", {{400, 160, 1}, {400, 160, 0}, {610, 330, 1}, {610, 330, 0}}, 0, false},
        {"held from outside", {{400, 160, 1}, {400, 330, 1}, {400, 330, 0}}, 0, false},
    };
    for (const auto& c : cases) {
        SetUp();
        const auto before = heights();
        play(&input, c.steps);
        EXPECT_EQ(std::make_tuple(selected_section, heights() != before, (int)data_modified, (int)left_button_held),
                  std::make_tuple(c.selected, c.changed, (int)c.changed, 0)) << c.what;
        EXPECT_EQ(broken_invariant(), nullptr) << c.what;
    }
}

// Edits (e), fixes (f), undo (u), redo (r), saves (w), q, shift-q (Q) and the close button (c) in turn: after
// each step the heights are those of its state (a letter; a new letter a new state) and the unsaved flag is as
// given; q and the close button warn for a second instead of quitting while anything is unsaved.
TEST_F(Session, UndoRedoTheUnsavedFlagAndTheQuitGuard)
{
    const struct { const char *rule, *steps, *states, *unsaved; bool quits; } cases[] = {
        {"q warns while unsaved", "eq", "bb", "11", false},
        {"the close button warns while unsaved", "ec", "bb", "11", false},
        {"shift-q quits whatever is unsaved", "eQ", "bb", "11", true},
        {"q quits once undone back to the file", "euq", "baa", "100", true},
        {"the close button quits once saved", "ewc", "bbb", "100", true},
        {"undo and redo step through edit and fix", "efuurr", "bcbabc", "111011", false},
        {"nothing to undo or redo changes nothing", "ur", "aa", "00", false},
        {"a fix that repairs nothing is no change", "ffu", "bba", "110", false},
        {"undone after a save, the data differ again", "ewu", "bba", "101", false},
        {"redone to the saved state", "ewur", "bbab", "1010", false},
        {"a new change forgets what could be redone", "efuer", "bcbdd", "11111", false},
        {"a saved state cut off by a new change never matches again", "ewue", "bbad", "1011", false},
    };
    const std::map<char, std::pair<int, bool>> keys = {{'q', {KEY_Q, false}}, {'Q', {KEY_Q, true}},
        {'f', {KEY_F, false}}, {'u', {KEY_U, false}}, {'r', {KEY_R, false}}, {'w', {KEY_W, false}}};
    const std::vector<PointerStep> edit = {{400, 330, 1}, {400, 330, 0}, {400, 330, 1}, {400, 260, 1}, {400, 260, 0},
                                           {445, 215, 0}, {445, 215, 1}, {445, 215, 0}};
    for (const auto& c : cases) {
        SetUp();
        std::map<char, std::vector<int32_t>> seen{{'a', heights()}};
        std::string got;
        for (int i = 0; c.steps[i]; i++) {
            const auto before = heights();
            const unsigned paused = input.paused_ms;
            const char step = c.steps[i];
            if (step == 'e')
                play(&input, edit);
            else if (step == 'c')
                play(&input, {}, {}, true);
            else
                play(&input, {}, {keys.at(step)});
            const auto [known, fresh] = seen.emplace(c.states[i], heights());
            const bool right = fresh ? before != heights() : known->second == heights();
            const bool warned = (step == 'q' || step == 'c') && data_modified;
            got += !right ? 'x' : warned != (input.paused_ms - paused == 1000) ? '!' : "01"[data_modified];
            if (quit_requested)
                break;
        }
        EXPECT_EQ(std::make_pair(got, (bool)quit_requested), std::make_pair(std::string(c.unsaved), c.quits)) << c.rule;
    }
}

} // namespace
