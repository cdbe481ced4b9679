// The whole effect as a host runs it: processReplacing with float input, the conversions to and
// from the fixed-point graph, the graph, and float output, at host blocks of 64, 512 and 4096
// samples; beside it the graph alone at the same block lengths, so that the cost of the
// conversions and copies shows as the difference.
//
// Each benchmark iteration advances the stream by 512 samples, as bench-callgrind expects:
// smaller host blocks are called several times per iteration, a 4096-sample block once every
// eighth iteration.
#include "bench_main.h"

#include "VX/VX.h"
#include "plugin/highpass_graph.h"
#include "plugin/vst/vst_abi.h"

#include <algorithm>
#include <vector>

extern "C" AEffect* VST_CALL VSTPluginMain(audioMasterCallback host);

namespace {

constexpr double sampleRate = 48000.0;

VstIntPtr VST_CALL hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(sampleRate);
    default:
        return 0;
    }
}

std::vector<float> noise(size_t n) {
    std::vector<float> v(n);
    uint32_t seed = 12345;
    for (auto& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(static_cast<int32_t>(seed)) / 4294967296.0f;
    }
    return v;
}

// Runs `block`-sample host blocks so that each iteration covers 512 samples of the stream;
// counts the samples actually processed.
template <typename F> void runBlocks(benchmark::State& state, int64_t block, F&& processBlock) {
    int64_t iteration = 0, samples = 0;
    for (auto _ : state) {
        if (block <= torv_bench_block) {
            for (int64_t done = 0; done < torv_bench_block; done += block) processBlock();
            samples += torv_bench_block;
        } else if (iteration++ % (block / torv_bench_block) == 0) {
            processBlock();
            samples += block;
        }
    }
    state.SetItemsProcessed(samples);
    state.counters["ns/sample"] = benchmark::Counter(
        static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime@48k"] =
        benchmark::Counter(static_cast<double>(samples) / sampleRate, benchmark::Counter::kIsRate);
}

void BM_effect_processReplacing(benchmark::State& state) {
    const auto block = static_cast<VstInt32>(state.range(0));
    AEffect* e = VSTPluginMain(hostCallback);
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    e->dispatcher(e, effSetBlockSize, 0, block, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    std::vector<float> in = noise(static_cast<size_t>(block)), left(in.size()), right(in.size());
    float* inputs[1] = {in.data()};
    float* outputs[2] = {left.data(), right.data()};
    runBlocks(state, block, [&] {
        e->processReplacing(e, inputs, outputs, block);
        benchmark::DoNotOptimize(left.data());
    });
    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// The effect's graph built by the same commands, run directly on its fixed-point buffers in
// chunks of at most 512 samples, as the effect runs it.
void BM_graph_alone(benchmark::State& state) {
    const int64_t block = state.range(0);
    HighpassGraph g(512);
    g.setClock(static_cast<int32_t>(sampleRate));
    g.setCutoff(239.47897);
    const std::vector<float> x = noise(512);
    for (int i = 0; i < 512; ++i) g.input->main[i] = static_cast<int32_t>(x[i] * 1073741824.0f);
    runBlocks(state, block, [&] {
        for (int64_t done = 0; done < block; done += 512) {
            g.runBlock(static_cast<int32_t>(std::min<int64_t>(512, block - done)));
            benchmark::DoNotOptimize(g.output->main);
        }
    });
}

} // namespace

BENCHMARK(BM_effect_processReplacing)->Arg(64)->Arg(512)->Arg(4096)->Apply(torv_bench_configure);
BENCHMARK(BM_graph_alone)->Arg(64)->Arg(512)->Arg(4096)->Apply(torv_bench_configure);
