// Saving and loading the largest trace data file the model holds: 4095 sections of 16 traces.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "interaction/flags.h"
#include "track/model.h"
#include "track/trace_data.h"

namespace {

const char* const kFile = "/tmp/vemora_bench_trace.txt";

// Coefficients of every size and sign, so that number formatting is not flattered.
void fill_largest_model()
{
    reset_track_model();
    num_sections = MAX_SECTIONS - 1;
    num_traces = MAX_TRACES;
    uint64_t x = 12345;
    auto next = [&x](int64_t range) {
        x = x * 6364136223846793005u + 1442695040888963407u;
        return (int32_t)((int64_t)(x >> 16) % (2 * range + 1) - range);
    };
    for (int s = 0; s < num_sections; s++) {
        section_length[s] = 150000 + next(100000);
        for (int t = 0; t < MAX_TRACES; t++)
            trace_point[s][t] = {next(2000000000), next(200000), next(20000), next(2000)};
    }
    std::snprintf(out_file_name, FILE_NAME_SIZE, "%s", kFile);
    std::snprintf(in_file_name, FILE_NAME_SIZE, "%s", kFile);
}

std::string file_text()
{
    std::string text;
    if (FILE* f = std::fopen(kFile, "rb")) {
        char chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            text.append(chunk, n);
        std::fclose(f);
    }
    return text;
}

void BM_FormatAndWrite(benchmark::State& state)
{
    fill_largest_model();
    for (auto _ : state) {
        data_modified = 1;
        if (write_trace_data() != 0)
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)file_text().size());
}

void BM_ParseText(benchmark::State& state)
{
    fill_largest_model();
    write_trace_data();
    const std::string text = file_text();
    char why[160];
    for (auto _ : state) {
        FILE* file = fmemopen((void*)text.data(), text.size(), "r");
        if (!parse_trace_data(file, why, sizeof why))
            state.SkipWithError(why);
        std::fclose(file);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

void BM_ReadFile(benchmark::State& state)
{
    fill_largest_model();
    write_trace_data();
    // The reader announces the file each time; keep that out of the report.
    std::fflush(stdout);
    int saved = dup(1), null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    for (auto _ : state)
        read_trace_data();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    close(null);
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)file_text().size());
}

BENCHMARK(BM_FormatAndWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(kFile);
    return 0;
}
