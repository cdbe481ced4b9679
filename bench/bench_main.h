// What every benchmark program shares: a fixed iteration count for measurements under
// callgrind (TORV_BENCH_ITERATIONS), and the per-sample counters.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Samples processed per benchmark iteration, in every benchmark of the project.
inline constexpr int64_t torv_bench_block = 512;

// Applied to every registered benchmark: a fixed iteration count when TORV_BENCH_ITERATIONS is
// set, otherwise the library's own choice.
void torv_bench_configure(benchmark::internal::Benchmark* b);

// Items processed and nanoseconds per sample, for `blocks` blocks of torv_bench_block samples.
void torv_bench_count(benchmark::State& state);

// n samples of full-band noise in [-0.5, 0.5), the same on every target.
std::vector<float> torv_bench_noise(size_t n);

#define TORV_BENCHMARK(fn) BENCHMARK(fn)->Apply(torv_bench_configure)
