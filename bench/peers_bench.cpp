// The shipped module against what a user would pick instead, in one process and built by one
// compiler: torv's processReplacing called through the entry point of the module file itself
// (loaded as a DAW loads it), an iir1-style HighPass<3> (two double biquads in direct form II,
// float in and out, one channel), and the floor: both of the effect's recursions interleaved
// in one int32 loop, wrapping, with nothing else around them. Host blocks of 1, 16 and 512
// samples show what each call costs beside its samples; 1, 16 and 256 instances taking turns
// what a growing working set costs.
//
// Each iteration covers 512 samples of the stream, as bench-callgrind expects. For the table:
//   peers_bench --benchmark_repetitions=21 --benchmark_enable_random_interleaving=true
//               --benchmark_report_aggregates_only=true
#include "bench_main.h"

#include "tools/vsthost/console.h"
#include "tools/vsthost/module.h"
#include "tools/vsthost/plugin_host.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#ifndef TORV_MODULE
#error "TORV_MODULE (the path of the plug-in module) must be defined"
#endif

namespace {

constexpr double sampleRate = 48000.0;
constexpr double cutoff = 1000.0;

// Calls `processBlock` on `block`-sample blocks, 512 samples per iteration.
template <typename F> void runBlocks(benchmark::State& state, int64_t block, F&& processBlock) {
    for (auto _ : state)
        for (int64_t done = 0; done < torv_bench_block; done += block) processBlock(done);
    torv_bench_count(state);
}

// A mastered track clipped at full scale: noise four times too loud, cut at +-1, over a 100 Hz
// square wave. Its edges drive the filter past full scale, where the effect saturates.
std::vector<float> clippedInput(size_t n) {
    std::vector<float> x = torv_bench_noise(n);
    for (size_t i = 0; i < n; ++i) {
        const float square = (i / 240) % 2 ? 0.5f : -0.5f;
        x[i] = std::fmax(-1.0f, std::fmin(1.0f, 4.0f * x[i] + square));
    }
    return x;
}

void runModule(benchmark::State& state, std::vector<float> in) {
    const auto block = static_cast<VstInt32>(state.range(0));
    std::string error;
    StdoutMute mute;
    std::shared_ptr<Module> module = Module::load(TORV_MODULE, error);
    std::unique_ptr<Plugin> plugin =
        module ? startEffect(module, sampleRate, block, error) : nullptr;
    if (!plugin) {
        state.SkipWithError(error.c_str());
        return;
    }
    AEffect* e = plugin->effect();
    std::vector<float> left(in.size()), right(in.size());
    runBlocks(state, block, [&](int64_t at) {
        float* inputs[1] = {in.data() + at};
        float* outputs[2] = {left.data() + at, right.data() + at};
        e->processReplacing(e, inputs, outputs, block);
        benchmark::DoNotOptimize(left.data());
    });
}

void BM_torv_module(benchmark::State& state) {
    runModule(state, torv_bench_noise(torv_bench_block));
}

void BM_torv_module_clipped(benchmark::State& state) {
    runModule(state, clippedInput(torv_bench_block));
}

// Many instances, as in a session with a filter on every track: each iteration runs the next
// instance's 512-sample block, on its own host buffers, so that the working set grows with the
// instance count.
void BM_torv_instances(benchmark::State& state) {
    const auto count = static_cast<size_t>(state.range(0));
    const VstInt32 block = static_cast<VstInt32>(torv_bench_block);
    std::string error;
    StdoutMute mute;
    std::shared_ptr<Module> module = Module::load(TORV_MODULE, error);
    struct Track {
        std::unique_ptr<Plugin> plugin;
        std::vector<float> in, left, right;
    };
    std::vector<Track> tracks(count);
    for (Track& t : tracks) {
        t.plugin = module ? startEffect(module, sampleRate, block, error) : nullptr;
        if (!t.plugin) {
            state.SkipWithError(error.c_str());
            return;
        }
        t.in = torv_bench_noise(torv_bench_block);
        t.left.resize(t.in.size());
        t.right.resize(t.in.size());
    }
    size_t next = 0;
    for (auto _ : state) {
        Track& t = tracks[next];
        next = next + 1 == count ? 0 : next + 1;
        AEffect* e = t.plugin->effect();
        float* inputs[1] = {t.in.data()};
        float* outputs[2] = {t.left.data(), t.right.data()};
        e->processReplacing(e, inputs, outputs, block);
        benchmark::DoNotOptimize(t.left.data());
    }
    torv_bench_count(state);
}

// A second-order section as iir1 keeps it: normalised coefficients, direct form II state.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double v1 = 0, v2 = 0;
    double filter(double x) {
        const double w = x - a1 * v1 - a2 * v2;
        const double y = b0 * w + b1 * v1 + b2 * v2;
        v2 = v1;
        v1 = w;
        return y;
    }
};

// Butterworth high-pass of order 3 through the bilinear transform: a first-order section (the
// real pole) and a second-order one (the pair, Q = 1).
struct HighPass3 {
    Biquad stages[2];
    HighPass3(double fc, double fs) {
        const double k = std::tan(3.141592653589793 * fc / fs);
        Biquad& first = stages[0];
        first.b0 = 1.0 / (1.0 + k);
        first.b1 = -first.b0;
        first.a1 = (k - 1.0) / (k + 1.0);
        Biquad& second = stages[1];
        const double norm = 1.0 / (1.0 + k + k * k);
        second.b0 = norm;
        second.b1 = -2.0 * norm;
        second.b2 = norm;
        second.a1 = 2.0 * (k * k - 1.0) * norm;
        second.a2 = (1.0 - k + k * k) * norm;
    }
    float filter(float x) { return static_cast<float>(stages[1].filter(stages[0].filter(x))); }
};

void BM_iir1_highpass3(benchmark::State& state) {
    const int64_t block = state.range(0);
    HighPass3 f(cutoff, sampleRate);
    std::vector<float> in = torv_bench_noise(torv_bench_block), out(in.size());
    runBlocks(state, block, [&](int64_t at) {
        for (int64_t i = at; i < at + block; ++i) out[i] = f.filter(in[i]);
        benchmark::DoNotOptimize(out.data());
    });
}

// The effect's one-pole high-pass and two-pole section interleaved, wrapping int32 arithmetic.
void BM_floor_int32(benchmark::State& state) {
    const int64_t block = state.range(0);
    const uint32_t a = 559240000u; // about 1 kHz at 48 kHz
    const int32_t c0 = 1070000000, c1 = 2100000000, c2 = 70000000;
    uint32_t b = 0x80000000u, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::vector<float> x = torv_bench_noise(torv_bench_block);
    std::vector<int32_t> in(x.size()), out(x.size());
    for (size_t i = 0; i < x.size(); ++i) in[i] = static_cast<int32_t>(x[i] * 1073741824.0f);
    const auto mul31 = [](int32_t v, int32_t c) {
        return static_cast<uint32_t>((int64_t{v} * c) >> 31);
    };
    runBlocks(state, block, [&](int64_t at) {
        for (int64_t i = at; i < at + block; ++i) {
            const uint32_t xi = static_cast<uint32_t>(in[i]);
            const uint32_t d = xi - b + 0x80000000u;
            b += static_cast<uint32_t>((uint64_t{d} * a) >> 32) - (a >> 1);
            const uint32_t y = mul31(static_cast<int32_t>(xi - x2), c2) - y2 +
                               mul31(static_cast<int32_t>(y2), c1) + 2 * y1 -
                               2 * mul31(static_cast<int32_t>(y1), c0);
            out[i] = static_cast<int32_t>(xi - b - y);
            x2 = x1;
            x1 = xi;
            y2 = y1;
            y1 = y;
        }
        benchmark::DoNotOptimize(out.data());
    });
}

} // namespace

BENCHMARK(BM_torv_module)->Arg(1)->Arg(16)->Arg(512)->Apply(torv_bench_configure);
BENCHMARK(BM_torv_module_clipped)->Arg(512)->Apply(torv_bench_configure);
BENCHMARK(BM_torv_instances)->Arg(1)->Arg(16)->Arg(256)->Apply(torv_bench_configure);
BENCHMARK(BM_iir1_highpass3)->Arg(1)->Arg(16)->Arg(512)->Apply(torv_bench_configure);
BENCHMARK(BM_floor_int32)->Arg(1)->Arg(16)->Arg(512)->Apply(torv_bench_configure);
