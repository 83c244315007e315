// Evaluates all 23 tracks at one row, as the frame loop does, over tracks keyed like a demo's:
// a few keys on the slow tracks, hundreds on the busy ones, every interpolation type. Counts
// allocations made while evaluating; there must be none.
#include "sync/device.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

// Calls of operator new so far, counted by alloc_counter.cpp.
long allocationCount();

namespace {

constexpr float kLastRow = 2600.0f;  // 130 s at 20 rows a second

std::vector<std::unique_ptr<sync::Track>> demoTracks() {
    std::mt19937 random(2024);
    std::vector<std::unique_ptr<sync::Track>> tracks;
    for (int i = 0; i < kSyncTrackCount; ++i) {
        auto track = std::make_unique<sync::Track>(kTrackNames[i]);
        // The part and camera-mode tracks step a dozen times; effect tracks move constantly.
        const int keyCount = i < 2 ? 12 : 40 + int(random() % 360);
        for (int k = 0; k < keyCount; ++k) {
            const uint32_t row = uint32_t(random() % uint32_t(kLastRow));
            track->setKey(row, {float(random() % 1000) / 100.0f, int(random() % 4)});
        }
        tracks.push_back(std::move(track));
    }
    return tracks;
}

void EvaluateAllTracks(benchmark::State& state) {
    const std::vector<std::unique_ptr<sync::Track>> tracks = demoTracks();
    sync::Track* bound[kSyncTrackCount];
    for (int i = 0; i < kSyncTrackCount; ++i)
        bound[i] = tracks[size_t(i)].get();

    float row = 0.0f;
    const long allocationsBefore = allocationCount();
    for (auto _ : state) {
        for (int j = 0; j < kSyncTrackCount; ++j)
            SyncValues[j] = bound[j]->getValue(row);
        benchmark::DoNotOptimize(SyncValues);
        row += 0.83f;  // a frame at 24 fps
        if (row > kLastRow)
            row = 0.0f;
    }
    const long made = allocationCount() - allocationsBefore;
    state.counters["allocations"] = double(made);
    if (made != 0)
        state.SkipWithError("evaluation allocated");
}
BENCHMARK(EvaluateAllTracks);

}  // namespace

BENCHMARK_MAIN();
