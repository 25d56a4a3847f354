// Keys l and s over the whole largest track (4095 sections by 16 traces) with the centre line
// selected, so that every trace moves: the arithmetic and the change kept for undo.
#include <benchmark/benchmark.h>

#include "commands/stretch.h"
#include "display/view.h"
#include "track/history.h"
#include "track/model.h"

namespace {

// Rolling heights that join smoothly, sections of differing lengths, the whole track shown.
void fill_largest_track()
{
    reset_track_model();
    num_sections = MAX_SECTIONS - 1;
    num_traces = MAX_TRACES;
    for (int s = 0; s <= num_sections; s++)
        for (int t = 0; t < MAX_TRACES; t++) {
            const int k = s % num_sections, rise = (k % 7 - 3) * 2000;
            trace_length[s][t] = 200000 + 97 * (k % 11) + t;
            trace_point[s][t] = {1000 * (k % 29) + 10 * t, 0, 3 * rise, -2 * rise};
        }
    centre_line_trace = selected_trace = MAX_TRACES / 2;
    first_section = 0;
    last_section = num_sections - 1;
    history_clear();
}

// Each press from the same track: the change is taken back outside the timing.
void press(benchmark::State& state, bool (*command)())
{
    ChangeInfo info;
    fill_largest_track();
    for (auto _ : state) {
        if (!command())
            state.SkipWithError("nothing changed");
        state.PauseTiming();
        history_undo(&info);
        state.ResumeTiming();
    }
    state.counters["records"] = (double)num_sections * num_traces;
}

void BM_LevelWholeTrack(benchmark::State& state) { press(state, level_stretch); }
void BM_SmoothWholeTrack(benchmark::State& state) { press(state, smooth_stretch); }

} // namespace

BENCHMARK(BM_LevelWholeTrack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmoothWholeTrack)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
