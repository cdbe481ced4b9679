#include "bench_main.h"

#include <cstdlib>

void torv_bench_configure(benchmark::internal::Benchmark* b) {
    if (const char* n = std::getenv("TORV_BENCH_ITERATIONS"))
        b->Iterations(std::strtoll(n, nullptr, 10));
}

void torv_bench_count(benchmark::State& state) {
    const int64_t samples = static_cast<int64_t>(state.iterations()) * torv_bench_block;
    state.SetItemsProcessed(samples);
    state.counters["ns/sample"] = benchmark::Counter(
        static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

std::vector<float> torv_bench_noise(size_t n) {
    std::vector<float> v(n);
    uint32_t seed = 12345;
    for (auto& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(static_cast<int32_t>(seed)) / 4294967296.0f;
    }
    return v;
}

BENCHMARK_MAIN();
