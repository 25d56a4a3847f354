// Undo and redo of edits and fixes, the pool running full, and the unsaved flag.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "commands/check.h"
#include "interaction/edit_math.h"
#include "interaction/flags.h"
#include "support.h"
#include "track/history.h"
#include "track/model.h"
#include "track/trace_data.h"

namespace {

std::vector<int32_t> snapshot()
{
    std::vector<int32_t> all(sizeof trace_point / sizeof(int32_t));
    std::memcpy(all.data(), trace_point, sizeof trace_point);
    return all;
}

bool wrap_mirrors_0()
{
    return std::memcmp(trace_point[0], trace_point[num_sections], sizeof trace_point[0]) == 0;
}

// A closed track whose joins are faulty nearly everywhere; the wrap-around slot mirrors section 0.
void faulty_track(int sections, int traces)
{
    fresh_model(sections, traces);
    centre_line_trace = traces / 2;
    for (int s = 0; s <= sections; s++)
        for (int t = 0; t < MAX_TRACES; t++) {
            int k = s % sections;
            trace_length[s][t] = 100000 + 997 * k + t;
            trace_point[s][t] = TracePoint{1000 * k + 10 * t + (k * 7919) % 301, 50 + k % 13, -20 * t, 7 * (k % 5)};
        }
    history_clear();
}

// Edits of a whole width and of one trace at both ends of the chain, and a fix, go back
// and forth exactly, the wrap-around slot with them; a new change after an undo forgets
// what could have been put back; a fix that repairs nothing is no change.
TEST(History, UndoAndRedoEditsAndFixesExactly)
{
    faulty_track(6, 3);
    std::vector<std::vector<int32_t>> states{snapshot()};
    apply_edit(0, 1, 0.5, 0.01); // the centre line at the start of section 0: section 5 and 0 change
    states.push_back(snapshot());
    CheckReport report;
    scan_joins(1, &report);
    ASSERT_GT(report.repaired, 3);
    states.push_back(snapshot());
    apply_edit(5, 2, -0.3, -0.02); // one trace, ending at the wrap-around slot
    states.push_back(snapshot());
    const ChangeInfo made[] = {{CHANGE_EDIT, 0}, {CHANGE_FIX, report.repaired}, {CHANGE_EDIT, 5}};

    ChangeInfo info;
    for (int i = 2; i >= 0; i--) {
        ASSERT_TRUE(history_undo(&info));
        EXPECT_TRUE(info.kind == made[i].kind && info.number == made[i].number) << i;
        EXPECT_TRUE(snapshot() == states[i] && wrap_mirrors_0()) << i;
    }
    EXPECT_FALSE(history_undo(&info));
    for (int i = 1; i <= 3; i++) {
        ASSERT_TRUE(history_redo(&info));
        EXPECT_TRUE(info.kind == made[i - 1].kind && info.number == made[i - 1].number) << i;
        EXPECT_TRUE(snapshot() == states[i] && wrap_mirrors_0()) << i;
    }
    EXPECT_FALSE(history_redo(&info));

    history_undo(&info);
    scan_joins(1, &report); // the fix's own result is clean: nothing to repair
    ASSERT_EQ(report.repaired, 0);
    history_redo(&info);
    EXPECT_TRUE(info.kind == CHANGE_EDIT && info.number == 5 && snapshot() == states[3]);
    history_undo(&info), history_undo(&info);
    apply_edit(3, 0, 1.0, 0.0);
    EXPECT_FALSE(history_redo(&info));
    history_undo(&info);
    EXPECT_TRUE(info.number == 3 && snapshot() == states[1]);
}

// One change of every record (65536) fills a quarter of the pool; a fix of the largest track
// and edits after it still go back exactly; changes beyond the capacity forget the oldest.
TEST(History, RunningFullForgetsTheOldestChanges)
{
    faulty_track(MAX_SECTIONS - 1, MAX_TRACES);
    const auto original = snapshot();
    CheckReport report;
    scan_joins(1, &report);
    ASSERT_GT(report.repaired, (MAX_SECTIONS - 1) * MAX_TRACES / 2); // each repair also mends the next join
    for (int s : {1, 0, MAX_SECTIONS - 2})
        apply_edit(s, centre_line_trace, 2.0, 0.001);
    ChangeInfo info;
    for (int i = 0; i < 4; i++)
        ASSERT_TRUE(history_undo(&info)) << i;
    EXPECT_TRUE(snapshot() == original && wrap_mirrors_0());

    const struct {
        int changes, records_each, undos;
    } cases[] = {
        {6, MAX_SECTIONS * MAX_TRACES, 4},    // the pool holds four of them
        {HISTORY_CHANGES + 5, 1, HISTORY_CHANGES},
    };
    for (const auto& c : cases) {
        history_clear();
        for (int i = 0; i < c.changes; i++) {
            history_begin();
            for (int r = 0; r < c.records_each; r++) {
                history_touch(r / MAX_TRACES, r % MAX_TRACES);
                trace_point[r / MAX_TRACES][r % MAX_TRACES].height++;
            }
            history_end(CHANGE_EDIT, i);
        }
        int undone = 0;
        while (history_undo(&info))
            undone++;
        EXPECT_EQ(undone, c.undos);
        EXPECT_EQ(info.number, c.changes - c.undos);
        EXPECT_EQ(trace_point[0][0].height - original[0], c.changes - c.undos);
        EXPECT_TRUE(history_unsaved()) << "the state of the file read was forgotten";
        std::memcpy(trace_point, original.data(), sizeof trace_point);
    }
}

// e: an edit, u: undo, r: redo, s: a save; after each step the flag it should leave.
TEST(History, UnsavedFlagFollowsTheSavedState)
{
    const struct {
        const char *steps, *unsaved;
    } cases[] = {
        {"eur", "101"},         // back to the file read, and forward again
        {"esuur", "10110"},     // past a save (twice: once there is nothing more), and back to it
        {"eesuurr", "1101110"},
        {"eesueuu", "1101111"}, // the saved state cut off by a new change
        {"seu", "010"},
        {"eeusru", "111010"},   // a save after an undo
    };
    ScratchDir dir;
    for (const auto& c : cases) {
        faulty_track(6, 3);
        std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", dir.file("out.txt").c_str());
        std::string got;
        ChangeInfo info;
        for (const char* step = c.steps; *step; step++) {
            if (*step == 'e') {
                apply_edit(2, 1, 0.1 * (step - c.steps), 0.0);
                data_modified = 1;
            } else if (*step == 's') {
                ASSERT_EQ(write_trace_data(), 0);
            } else if (*step == 'u' ? history_undo(&info) : history_redo(&info)) {
                data_modified = history_unsaved();
            }
            EXPECT_EQ(data_modified, history_unsaved() ? 1 : 0) << c.steps;
            got += history_unsaved() ? '1' : '0';
        }
        EXPECT_EQ(got, c.unsaved) << c.steps;
    }
}

} // namespace
