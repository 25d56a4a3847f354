// Changes of the heights. Worked out directly: an edit at a section boundary, and the tolerances of finding and
// repairing height gaps and gradient breaks where sections meet. Played off screen through the main loop and the
// keys with the real handlers: the edit gesture and what cancels or ignores it, undo and redo with the unsaved
// flag, the guard against quitting with unsaved data, the main loop's rests, and the keys l and s on
// hand-computed stretches and on the demo. Also the undo history running full. (What the frames and the check
// report look like is in the golden images.)
#include <allegro.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>

#include "commands/check.h"
#include "commands/keys.h"
#include "commands/report.h"
#include "display/graphics.h"
#include "display/messages.h"
#include "display/renderer.h"
#include "display/view.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "interaction/main_loop.h"
#include "support.h"
#include "track/hermite.h"
#include "track/history.h"
#include "track/invariants.h"
#include "track/lengths.h"

// Every field of every slot, four to a record, trace after trace and section after section.
static std::vector<int32_t> records() { return {(int32_t*)trace_point, (int32_t*)std::end(trace_point)}; }
static bool clean(int s, int t) { return !check_join(s, t).gap && !check_join(s, t).kink; }

// On the demo (150 sections, 7 traces, centre line 3) the trace passes through the new height with the
// new gradient, joining its neighbours smoothly; the section before keeps its start. A centre-line edit
// moves every trace of both sections alike; nothing else changes and the wrap-around slot copies section 0.
TEST(Edit, NewHeightAndGradientAtASectionStart)
{
    const struct { int s, t; double h, g; } edits[] = {{0, 3, -1.5, 0.02}, {149, 2, 4.0, -0.01}};
    for (const auto& e : edits) {
        load_demo_track(), trace_point[e.s][e.t ? 0 : 1].slope += 999; // traces of different gradients
        const auto before = records();
        const int p = e.s ? e.s - 1 : 149, S = (e.s * MAX_TRACES + e.t) * 4, P = (p * MAX_TRACES + e.t) * 4;
        apply_edit(e.s, e.t, e.h, e.g);
        const auto after = records();
        EXPECT_EQ(std::vector<int>({after[S], after[S + 1], after[P] - before[P], after[P + 1] - before[P + 1]}),
                  std::vector<int>({(int32_t)(e.h * 19685), (int32_t)(e.g * trace_length[e.s][e.t]), 0, 0}));
        EXPECT_TRUE(clean(p, e.t) && clean(e.s, e.t)) << e.s;
        EXPECT_EQ(std::memcmp(trace_point[150], trace_point[0], sizeof trace_point[0]), 0) << e.s;
        for (int i = 0; i < num_sections * MAX_TRACES * 4; i++) { // changed as the edited trace, or not at all
            const int s = i / 4 / MAX_TRACES, t = i / 4 % MAX_TRACES, k = (s * MAX_TRACES + e.t) * 4 + i % 4;
            const bool edited = (s == p || s == e.s) && (t == e.t || (e.t == 3 && t < num_traces));
            EXPECT_EQ((int64_t)after[i] - before[i], edited ? (int64_t)after[k] - before[k] : 0) << s << "/" << t;
        }
    }
    // A next section without length counts as flat. Coefficients beyond the integer range saturate, also
    // those of the other traces moved along.
    trace_length[3][1] = 0, apply_edit(2, 1, 1.0, 0.005);
    EXPECT_TRUE(std::fabs(end_height(trace_point[2][1]) - trace_point[3][1].height) <= 1 &&
                std::fabs(end_derivative(trace_point[2][1])) < 5);
    apply_edit(2, 3, 1.0e6, 0.0); // the centre line: trace 0 moves along
    const TracePoint &a = trace_point[2][0], &b = trace_point[1][0];
    EXPECT_EQ(std::vector<int32_t>({trace_point[2][3].height, a.height > 2000000000, a.quad, a.cubic, b.quad, b.cubic}),
              std::vector<int32_t>({INT32_MAX, true, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}));
}

// Heights may differ by one unit, gradients by a hair less than 0.0001 (on long sections a unit of height
// bends the gradient too little to count); a sum beyond 32 bits does not wrap around. Where a section has
// no length only the heights count, and a repair there keeps both slopes; a repaired join above the integer
// range saturates.
TEST(Check, JoinTolerances)
{
    const struct { TracePoint end, start; int32_t lengths[2]; bool gap, kink; } joins[] = { // sections 1 and 2
        {{0, 0, 0, 1}, {0, 0, 0, 0}, {100000, 100000}, false, false},
        {{0, 0, 0, 2}, {0, 0, 0, 0}, {100000, 100000}, true, false},
        {{0, 0, 0, 0}, {0, 1, 0, 0}, {10000, 10000}, false, true}, // exactly 0.0001
        {{0, 0, 0, 0}, {0, 1, 0, 0}, {10001, 10001}, false, false},
        {{0, 0, -20001, 20001}, {0, 1, 0, 0}, {200000000, 199999999}, false, true}, // a hair below 0.0001
        {{INT32_MAX, INT32_MAX, 1, 1}, {0, 0, 0, 0}, {100000, 100000}, true, true}, // ends at 2^32
        {{0, 0, 300, -100}, {240, 5000, -5240, 0}, {10000, 0}, true, false},
    };
    for (const auto& j : joins) {
        fresh_model(4, 1), trace_point[1][0] = j.end, trace_point[2][0] = j.start;
        trace_length[1][0] = j.lengths[0], trace_length[2][0] = j.lengths[1];
        EXPECT_TRUE(check_join(1, 0).gap == j.gap && check_join(1, 0).kink == j.kink) << &j - joins;
    }
    const TracePoint &a = trace_point[1][0], &b = trace_point[2][0];
    repair_join(1, 0); // the last one
    EXPECT_EQ(std::make_tuple(end_derivative(a), b.slope, b.height), std::make_tuple(300.0, 5000, 220));
    std::fill_n(&trace_length[0][0], 4 * MAX_TRACES, 100000);
    trace_point[1][0] = {INT32_MAX, INT32_MAX, 0, 0}, trace_point[2][0] = {INT32_MAX, 0, 0, 0};
    repair_join(1, 0);
    EXPECT_EQ(std::make_tuple(b.height, b.quad, b.cubic), std::make_tuple(INT32_MAX, INT32_MIN, INT32_MAX));
}

// The report: vemora-check's lines in section order with the traces at fault and the largest step, in metres
// with as many decimals as a fault needs not to read as zero, or in percent, then the count lines; the screen's.
TEST(Check, ReportLines)
{
    static CheckReport r;
    r.gap_count = 2, r.gap_sections[0] = 4, r.gap_traces[0] = 0b101, r.gap_largest[0] = 1181.1; // 0.06 m
    r.gap_sections[1] = 9, r.gap_traces[1] = 1 << 15, r.gap_largest[1] = 1.08; // 0.0000549 m
    r.kink_count = 1, r.kink_sections[0] = 4, r.kink_traces[0] = 0b10, r.kink_largest[0] = 0.006;
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    print_report(out, r), std::fclose(out);
    char gap[64], kink[64];
    screen_gap_line(r, 1, gap, sizeof gap), screen_kink_line(r, 0, kink, sizeof kink);
    EXPECT_EQ(std::string(text, size) + gap + "|" + kink, "gap 4 traces 0,2 max 0.060 m\nkink 4 traces 1 max 0.600 %\n"
              "gap 9 traces 15 max 0.0001 m\n2 sections had gaps.\n1 sections had gradient breaks.\n"
              "Section gap: 9   |Section kink: 4");
    std::free(text);
    r.gap_count = r.kink_count = 0;
    gap_count_line(r, gap, sizeof gap), kink_count_line(r, kink, sizeof kink);
    EXPECT_EQ(std::string(gap) + kink, "No height gaps found.No gradient breaks found.");
}

// The demo drawn on a 640 x 480 page, input from a script, saves into a scratch directory; afterwards the model's
// invariants hold.
struct Session : ::testing::Test {
    ScriptedInput input;
    ScratchDir dir;
    void SetUp() override
    {
        start_drawing(640, 480), load_demo_track(), draw_view(), use_script(&input);
        std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", dir.file("saved.txt").c_str());
    }
    void TearDown() override { EXPECT_EQ(broken_invariant(), nullptr) << "after the session"; }
};

using Steps = std::vector<PointerStep>;
using KeyQueue = std::vector<std::pair<int, bool>>; // scancode, shift held

// Selects the section that starts at column 400, drags its start up to row 260, then presses `button` with the
// pointer at (445, 215), towards which a left click sets the gradient.
static Steps edit_gesture(int button)
{
    return {{400, 330, 1}, {400, 330, 0}, {400, 330, 1}, {400, 260, 1},
            {400, 260, 0}, {445, 215, 0}, {445, 215, button}, {445, 215, 0}};
}

// The gesture cut short or ended in several ways: which section is selected, whether the heights changed, and
// the flags afterwards.
TEST_F(Session, EditGesture)
{
    const struct { const char* what; Steps steps; int selected; bool changed; } cases[] = {
        {"a click selects", {{400, 330, 1}, {400, 330, 0}}, 91, false},
        {"a left click sets the gradient", edit_gesture(1), 91, true},
        {"the middle button too", edit_gesture(4), 91, true},
        {"the right button cancels", edit_gesture(2), 91, false},
        {"outside the profile", {{400, 160, 1}, {400, 160, 0}, {610, 330, 1}, {610, 330, 0}}, 0, false},
        {"held from outside", {{400, 160, 1}, {400, 330, 1}, {400, 330, 0}}, 0, false},
        {"the panel's edges are in it", {{400, 330, 1}, {400, 330, 0}, {32, 456, 1}, {32, 456, 0}}, 0, false},
    };
    for (const auto& c : cases) {
        SetUp();
        const auto before = records();
        play(&input, c.steps);
        EXPECT_EQ(std::make_tuple(selected_section, records() != before, (int)data_modified, (int)left_button_held),
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
    const std::map<char, KeyQueue> keys = {{'e', {}}, {'c', {}}, {'q', {{KEY_Q, false}}}, {'Q', {{KEY_Q, true}}},
        {'f', {{KEY_F, false}}}, {'u', {{KEY_U, false}}}, {'r', {{KEY_R, false}}}, {'w', {{KEY_W, false}}}};
    for (const auto& c : cases) {
        SetUp();
        std::map<char, std::vector<int32_t>> seen{{'a', records()}};
        std::string got;
        for (int i = 0; const char step = c.steps[i]; i++) {
            const auto before = records();
            input.paused_ms = 0, play(&input, step == 'e' ? edit_gesture(1) : Steps{}, keys.at(step), step == 'c');
            const auto [known, fresh] = seen.emplace(c.states[i], records());
            const bool right = fresh ? before != records() : known->second == records();
            const bool warned = (step == 'q' || step == 'c') && data_modified;
            got += !right ? 'x' : warned != (input.paused_ms == 1000) ? '!' : "01"[data_modified];
        }
        EXPECT_EQ(std::make_pair(got, (bool)quit_requested), std::make_pair(std::string(c.unsaved), c.quits)) << c.rule;
    }
}

// A pass of the main loop rests only when it found nothing to do; after a key, the close button or a gesture
// the next pass follows at once.
TEST_F(Session, MainLoopRestsOnlyAfterAPassWithNothingToDo)
{
    const struct { const char* what; Steps steps; KeyQueue keys; bool close, held, rests; } cases[] = {
        {"nothing", {{320, 240, 0}}, {}, false, false, true},
        {"the left button still held after an edit", {{320, 240, 1}}, {}, false, true, true},
        {"a key", {{320, 240, 0}}, {{KEY_END, false}}, false, false, false},
        {"the close button", {{320, 240, 0}}, {}, true, false, false},
        {"a right press, a zoom refused", {{300, 200, 2}, {300, 200, 0}}, {}, false, false, false},
    };
    for (const auto& c : cases) {
        SetUp(), input = {c.steps, c.keys, c.close}, left_button_held = c.held, main_loop_pass();
        EXPECT_TRUE(input.idles == c.rests && script_done(input)) << c.what;
    }
}

// Changes beyond the pool (four of one change of every record) or beyond the list of changes
// forget the oldest, and with them the state of the file read; the history tells that it forgot.
TEST(History, RunningFullForgetsTheOldestChanges)
{
    const int cases[][3] = {{6, MAX_SECTIONS * MAX_TRACES, 4}, {HISTORY_CHANGES + 1, 1, HISTORY_CHANGES}};
    for (auto [changes, records_each, undos] : cases) {
        fresh_model(MAX_SECTIONS - 1, MAX_TRACES), history_clear();
        EXPECT_FALSE(history_forgot_older());
        for (int i = 0; i < changes; i++) {
            history_begin();
            for (int r = 0; r < records_each; r++) { // one field a change, in turn
                TracePoint& p = trace_point[r / MAX_TRACES][r % MAX_TRACES];
                int32_t* fields[] = {&p.height, &p.slope, &p.quad, &p.cubic};
                history_touch(r / MAX_TRACES, r % MAX_TRACES), ++*fields[i % 4];
            }
            history_end(CHANGE_EDIT, i);
        }
        ChangeInfo info;
        int undone = 0;
        while (history_undo(&info))
            undone++;
        const TracePoint& p = trace_point[0][0];
        const int height = p.height + p.slope + p.quad + p.cubic;
        EXPECT_EQ((std::vector<int>{undone, info.number, height, history_unsaved(), history_forgot_older()}),
                  (std::vector<int>{undos, changes - undos, changes - undos, true, true}));
    }
}

using Boundaries = std::array<int32_t, 8>; // heights or start slopes at boundaries 0..7 (8 is 0 again)

// Trace k of section s: a Hermite cubic between boundaries s and s + 1, 100000 k higher than trace 0. Sections
// are 2^16 long, the last one three times that (every value below is exact); slopes are given per 2^16.
static TracePoint record(const Boundaries& h, const Boundaries& g, int s, int k)
{
    const int m = s == 7 ? 3 : 1;
    TracePoint p{h[s % 8] + 100000 * k, m * g[s % 8], 0, 0};
    hermite_end(h[s % 8], m * g[s % 8], h[(s + 1) % 8], m * g[(s + 1) % 8], &p.quad, &p.cubic);
    return p;
}

// A 640 x 480 memory bitmap of 32 bits, one block.
static std::string pixels(BITMAP* bitmap) { return {(const char*)bitmap->dat, 640 * 480 * 4}; }

// Presses a key over a black page and screen: whether the screen then shows `text` and the page the view of
// the heights as they now are (or stays black).
static bool says(int key, const std::string& text, bool redrawn)
{
    clear_bitmap(screen), clear_bitmap(page_buffer), perform_command({key, false, 240});
    const std::string shown = pixels(screen), page = pixels(page_buffer);
    clear_bitmap(page_buffer);
    if (redrawn)
        draw_view();
    clear_bitmap(screen), message_line(4, 10, text.c_str());
    return pixels(screen) == shown && pixels(page_buffer) == page;
}

// Eight sections, three traces, centre line 1: trace t's boundaries before and after hand-computed stretches,
// the last two up to the wrap-around slot.
TEST_F(Session, StretchesLevelledAndSmoothedAsComputedByHandAndUndone)
{
    const Boundaries flat{}, line{0, 1000, 2000, 3000, 4000, 5000}, up{0, 1000, 1000, 1000, 1000, 1000},
        bump3{0, 0, 0, 4000}, smooth3{0, 0, 1000, 2000, 1000}, smooth3g{0, 0, 1000, 0, -1000}, bump1{0, 4000},
        step{0, 0, 700, 4000, 4000, 4000, 4000, 4000}, halfway{0, 0, 2000, 4000, 4000, 4000, 4000, 4000},
        halfway_g{0, 0, 3000}, crest{0, 0, 0, 0, 0, 0, 0, 500}, crest_g{-4096, 0, 0, 0, 0, 0, 4096},
        levelled{0, 0, 0, 0, 0, 0, 0, 3072}, levelled_g{-4096, 0, 0, 0, 0, 0, 4096, 2048},
        bump6{0, 0, 0, 0, 0, 0, 4000}, smooth6{0, 0, 0, 0, 0, 0, 2000, 1000}, smooth6g{0, 0, 0, 0, 0, 0, 500, -500};
    const struct { int key, i, j, t; Boundaries h, g, new_h, new_g; const char* text; } cases[] = {
        {KEY_S, 1, 3, 1, line, up, line, up, "Nothing to smooth"}, // a straight stretch stays straight
        {KEY_L, 1, 4, 1, line, up, line, up, "Nothing to level"},
        {KEY_L, 1, 4, 0, bump3, flat, flat, flat, "Levelled sections 1 to 4"}, // one trace
        {KEY_S, 1, 4, 1, bump3, flat, smooth3, smooth3g, "Smoothed sections 1 to 4"}, // the whole width
        {KEY_L, 1, 2, 0, step, flat, halfway, halfway_g, "Levelled sections 1 to 2"}, // half way up, steepest
        {KEY_L, 6, 7, 2, crest, crest_g, levelled, levelled_g, "Levelled sections 6 to 7"}, // ends kept
        {KEY_S, 5, 7, 1, bump6, flat, smooth6, smooth6g, "Smoothed sections 5 to 7"},
        {KEY_L, 0, 7, 1, bump1, flat, flat, flat, "Levelled sections 0 to 7"}, // section 0 and its mirror
    };
    for (const auto& c : cases) {
        fresh_model(8, 3), centre_trace = 1, std::fill_n(section_length, 8, 1 << 16), section_length[7] = 3 << 16;
        compute_trace_lengths(), history_clear(), first_section = c.i, last_section = c.j, selected_trace = c.t;
        for (int s = 0; s <= 8; s++)
            for (int k = 0; k < 3; k++)
                trace_point[s][k] = record(c.h, c.g, s, k);
        const auto before = records();
        const bool changed = c.text[0] != 'N';
        EXPECT_TRUE(says(c.key, c.text, changed) && data_modified == changed) << c.text;
        for (int s = 0; s <= 8; s++)
            for (int k = 0; k < 3; k++) { // unchanged, a trace has its new boundaries as its old ones
                const bool moved = k == c.t || c.t == 1;
                const TracePoint p = record(moved ? c.new_h : c.h, moved ? c.new_g : c.g, s, k);
                EXPECT_TRUE(!std::memcmp(&trace_point[s][k], &p, sizeof p) && (s == 8 || clean(s, k)))
                    << c.text << " " << s << "/" << k;
            }
        const auto after = records();
        // Undo and redo name the stretch as the key did, after its "Levelled" or "Smoothed".
        const std::string what = (c.key == KEY_L ? "levelling of" : "smoothing of") + std::string(c.text + 8);
        EXPECT_TRUE(says(KEY_U, changed ? "Undone: " + what : "Nothing to undo", false) && records() == before);
        EXPECT_TRUE(says(KEY_R, changed ? "Redone: " + what : "Nothing to redo", false) && records() == after);
    }
    // Two sections without length have no cubic between their ends; the largest track, flat, has nothing to level.
    fresh_model(8, 1), std::fill_n(section_length, 8, 1 << 16), section_length[2] = section_length[3] = 0;
    compute_trace_lengths(), history_clear(), first_section = 2, last_section = 3, trace_point[3][0].height = 500;
    EXPECT_TRUE(says(KEY_L, "Nothing to level", false));
    fresh_model(MAX_SECTIONS - 1, 1), std::fill_n(section_length, MAX_SECTIONS - 1, 1000), compute_trace_lengths();
    history_clear(), first_section = 0, last_section = MAX_SECTIONS - 2;
    EXPECT_TRUE(says(KEY_L, "Nothing to level", false));
}

// On the demo the trace joins without gap or gradient break all through the stretch, the faults inside repaired:
// one trace, and the whole width over straight sections (in curves the other traces, moved as the centre line,
// break where their lengths change otherwise than its).
TEST_F(Session, NoFaultLeftInsideALevelledOrSmoothedStretchOnTheDemo)
{
    const int cases[][4] = {{KEY_L, 25, 40, 0}, {KEY_S, 95, 110, 5}, {KEY_L, 140, 149, 4}, {KEY_S, 80, 90, 6},
                            {KEY_L, 64, 77, 3}, {KEY_S, 64, 77, 3}};
    for (auto [key, i, j, t] : cases) {
        load_demo_track(), first_section = i, last_section = j, selected_trace = t, perform_command({key, false, 240});
        for (int s = i; s <= j; s++)
            for (int k = 0; k < num_traces; k++)
                EXPECT_TRUE(clean(s, k)) << "join " << s << "/" << k << " after key " << key << " on " << i << "-" << j;
    }
}
