// Undo and redo of edits and fixes, the unsaved flag, and the history running full.
#include <gtest/gtest.h>

#include "commands/check.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "support.h"
#include "track/history.h"
#include "track/trace_data.h"

// Every record, the wrap-around slot among them.
static std::vector<int32_t> snapshot() { return {(int32_t*)trace_point, (int32_t*)trace_point + sizeof trace_point / 4}; }

// A closed track whose joins are faulty nearly everywhere; the wrap-around slot mirrors section 0.
static void faulty_track(int sections, int traces)
{
    fresh_model(sections, traces), centre_line_trace = traces / 2;
    for (int s = 0; s <= sections; s++)
        for (int t = 0, k = s % sections; t < MAX_TRACES; t++) {
            trace_length[s][t] = 100000 + 997 * k + t;
            trace_point[s][t] = TracePoint{1000 * k + 10 * t + (k * 7919) % 301, 50 + k % 13, -20 * t, 7 * (k % 5)};
        }
    history_clear();
}

// Steps: e an edit, f a fix, u undo, r redo, s a save. After each step the heights must be those
// of its state (a letter; a new letter a new state) and the unsaved flag as given ('x': wrong
// heights, '?': the flag and the history disagree).
TEST(History, UndoRedoAndSavesLeaveTheRightHeightsAndFlag)
{
    const char* cases[][3] = {
        {"efeuuuurrrr", "bcdcbaabcdd", "11111001111"}, // forth and back, and nothing more either way
        // A fix that repairs nothing is no change: the redo stays; a new change forgets it.
        {"efeufruuerru", "bcdccdcbeeeb", "111111111111"},
        {"esuur", "bbaab", "10110"},       // past a save and back to it
        {"eesueuu", "bccbdba", "1101111"}, // the saved state cut off by a new change
        {"eeusru", "bcbbcb", "111010"},    // a save after an undo
    };
    // The centre line at section 0 (sections 5 and 0 change), one trace ending at the wrap-around
    // slot, one trace inside: section, trace, height, gradient.
    const double edits[][4] = {{0, 1, 0.5, 0.01}, {5, 2, -0.3, -0.02}, {3, 0, 1.0, 0.0}};
    ScratchDir dir;
    ChangeInfo info;
    CheckReport report;
    for (auto [steps, states, unsaved] : cases) {
        faulty_track(6, 3);
        std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", dir.file("out.txt").c_str());
        std::map<char, std::vector<int32_t>> seen{{'a', snapshot()}};
        std::string got;
        for (int i = 0, n = 0; steps[i]; i++) {
            const auto before = snapshot();
            if (steps[i] == 'e')
                apply_edit((int)edits[n][0], (int)edits[n][1], edits[n][2], edits[n][3]), n++, data_modified = 1;
            else if (steps[i] == 'f')
                scan_joins(1, &report);
            else if (steps[i] == 's')
                ASSERT_EQ(write_trace_data(), 0);
            else if (steps[i] == 'u' ? history_undo(&info) : history_redo(&info))
                data_modified = history_unsaved();
            const auto [known, fresh] = seen.emplace(states[i], snapshot());
            const bool right = fresh ? before != snapshot() : known->second == snapshot();
            got += !right ? 'x' : data_modified != history_unsaved() ? '?' : "01"[data_modified];
        }
        EXPECT_EQ(got, unsaved) << steps;
    }
}

// Changes beyond the pool (four of one change of every record) or beyond the list of changes
// forget the oldest, and with them the state of the file read; the history tells that it forgot.
TEST(History, RunningFullForgetsTheOldestChanges)
{
    const int cases[][3] = {{6, MAX_SECTIONS * MAX_TRACES, 4}, {HISTORY_CHANGES + 5, 1, HISTORY_CHANGES}};
    for (auto [changes, records_each, undos] : cases) {
        faulty_track(MAX_SECTIONS - 1, MAX_TRACES); // the height at section 0, trace 0 is 0
        EXPECT_FALSE(history_forgot_older());
        for (int i = 0; i < changes; i++) {
            history_begin();
            for (int r = 0; r < records_each; r++)
                history_touch(r / MAX_TRACES, r % MAX_TRACES), trace_point[r / MAX_TRACES][r % MAX_TRACES].height++;
            history_end(CHANGE_EDIT, i);
        }
        ChangeInfo info;
        int undone = 0;
        while (history_undo(&info))
            undone++;
        const int height = trace_point[0][0].height;
        EXPECT_EQ((std::vector<int>{undone, info.number, height, history_unsaved(), history_forgot_older()}),
                  (std::vector<int>{undos, changes - undos, changes - undos, true, true}));
    }
}
