// The undo history running full (undo and redo through the keys are in the session tests).
#include <gtest/gtest.h>

#include "support.h"
#include "track/history.h"

// Changes beyond the pool (four of one change of every record) or beyond the list of changes
// forget the oldest, and with them the state of the file read; the history tells that it forgot.
TEST(History, RunningFullForgetsTheOldestChanges)
{
    const int cases[][3] = {{6, MAX_SECTIONS * MAX_TRACES, 4}, {HISTORY_CHANGES + 5, 1, HISTORY_CHANGES}};
    for (auto [changes, records_each, undos] : cases) {
        fresh_model(MAX_SECTIONS - 1, MAX_TRACES), history_clear();
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
