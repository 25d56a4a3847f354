// The undo history at its largest: a fix that repairs every join of a 4095-section,
// 16-trace track, kept, taken back and put back again.
#include <benchmark/benchmark.h>

#include "commands/check.h"
#include "track/history.h"
#include "track/model.h"

namespace {

// Every join has a height gap; lengths long enough that one fix leaves them clean.
void fill_faulty_track()
{
    reset_track_model();
    num_sections = MAX_SECTIONS - 1;
    num_traces = MAX_TRACES;
    for (int s = 0; s <= num_sections; s++)
        for (int t = 0; t < MAX_TRACES; t++) {
            int k = s % num_sections;
            trace_length[s][t] = 200000 + k;
            trace_point[s][t] = {1000 * k + (k * 7919) % 301, 50, -20 * t, 7 * (k % 5)};
        }
    history_clear();
}

void BM_FixKeptForUndo(benchmark::State& state)
{
    static CheckReport report;
    ChangeInfo info;
    fill_faulty_track();
    for (auto _ : state) {
        scan_joins(1, &report);
        state.PauseTiming();
        history_undo(&info);
        state.ResumeTiming();
    }
    state.counters["joins"] = report.repaired;
}

void BM_UndoAndRedoOfTheFix(benchmark::State& state)
{
    static CheckReport report;
    ChangeInfo info;
    fill_faulty_track();
    scan_joins(1, &report);
    for (auto _ : state) {
        history_undo(&info);
        history_redo(&info);
    }
    state.counters["joins"] = report.repaired;
}

} // namespace

BENCHMARK(BM_FixKeptForUndo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoAndRedoOfTheFix)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
