// Each node of the nonlinear, detector, delay, Fourier, generator and shifter library in a
// soundpipe of 512-sample blocks: one iteration is one block through that node alone.
#include "bench_main.h"

#include "VX/VX.h"

#include <functional>
#include <vector>

namespace {

constexpr int n = static_cast<int>(torv_bench_block);

// A soundpipe with an input (a 1 kHz-ish square mixed with noise, so that the frequency
// multipliers find crossings), a side signal, two outputs and one node.
class Graph {
public:
    Graph() {
        VX_cmd("VX_Soundpipe -bl %i", &sp, n);
        for (VX_Buffer** b : {&in, &side, &out, &out2}) VX_cmd("VX_Buffer", b);
        uint32_t seed = 1;
        for (int i = 0; i < n; ++i) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            const int32_t hiss = static_cast<int32_t>(seed >> 8) - (1 << 23);
            in->main[i] = ((i / 22) % 2 ? -(1 << 28) : 1 << 28) + hiss;
            side->main[i] = hiss << 2;
        }
    }
    ~Graph() {
        if (node) VX_cmd("%o -delete", node);
        for (VX_Buffer* b : {in, side, out, out2}) VX_cmd("%o -delete", b);
        VX_cmd("%o -delete", sp);
        VX_Soundpipe::current = nullptr;
    }
    VX_Soundpipe* sp = nullptr;
    VX_Buffer* in = nullptr;
    VX_Buffer* side = nullptr;
    VX_Buffer* out = nullptr;
    VX_Buffer* out2 = nullptr;
    VX_Effect* node = nullptr;
};

void run(benchmark::State& state, const std::function<VX_Effect*(Graph&)>& make) {
    Graph g;
    g.node = make(g);
    VX_cmd("VX_Effect %o -clock %i", g.node, 44100);
    for (auto _ : state) {
        g.sp->process();
        benchmark::DoNotOptimize(g.out->main);
    }
    torv_bench_count(state);
}

template <typename T = VX_Effect, typename... A> VX_Effect* make(const char* command, A... args) {
    T* o = nullptr;
    VX_cmd(command, &o, args...);
    return o;
}

void BM_Gtzero(benchmark::State& state) {
    run(state, [](Graph& g) { return make("VX_Effect_Gtzero -i %o -o %o", g.in, g.out); });
}

void BM_Ltzero(benchmark::State& state) {
    run(state, [](Graph& g) { return make("VX_Effect_Ltzero -i %o -o %o", g.in, g.out); });
}

void BM_Dist(benchmark::State& state) {
    run(state, [](Graph& g) {
        return make("VX_Effect_Dist -i %o -o %o -k %f -d %f", g.in, g.out, 0.01, 0.4);
    });
}

void BM_Ampdet(benchmark::State& state) {
    run(state, [](Graph& g) {
        return make(
            "VX_Effect_Ampdet -i %o -o %o -a %o -f1 %i -f2 %i", g.in, g.out, g.out2, 100, 10);
    });
}

void BM_Lgd(benchmark::State& state) {
    run(state, [](Graph& g) { return make("VX_Effect_Lgd -i %o -o %o", g.in, g.out); });
}

void BM_Freqmul(benchmark::State& state) {
    run(state, [](Graph& g) { return make("VX_Effect_Freqmul -i %o -o %o", g.in, g.out); });
}

void BM_Nefreqmul(benchmark::State& state) {
    run(state, [](Graph& g) { return make("VX_Effect_Nefreqmul -i %o -o %o", g.in, g.out); });
}

// One group of two taps with feedback, and a second group.
void BM_Deline(benchmark::State& state) {
    run(state, [](Graph& g) {
        VX_Effect* line = make("VX_Effect_Deline -i %o", g.in);
        VX_cmd("%o -g -go %o -gf %f -d -dt %i -da %f -d -dt %f -da %f",
               line,
               nullptr,
               g.out,
               0.3,
               nullptr,
               100,
               0.5,
               nullptr,
               0.0075,
               -0.25);
        VX_cmd("%o -g -go %o -d -dt %i -da %f", line, nullptr, g.out2, nullptr, 1234, 0.7);
        return line;
    });
}

// 512 points over the last 512 samples.
void BM_Fourier_forward(benchmark::State& state) {
    run(state, [](Graph& g) { return make("VX_Fourier_Transform -i %o -s %i -win sin", g.in, 8); });
}

void BM_Fourier_backward(benchmark::State& state) {
    run(state, [](Graph& g) {
        return make("VX_Fourier_Transform -i %o -s %i -d backward", g.in, 7); // 256 pairs
    });
}

// A 256-point gate on a 512-integer spectrum: five transforms and a delay line per block.
void BM_Noisegate(benchmark::State& state) {
    run(state, [](Graph& g) {
        return make(
            "VX_Fourier_Noisegate -i %o -s %o -o1 %o -o2 %o -a %i", g.in, g.side, g.out, g.out2, 1);
    });
}

void BM_Gener_White(benchmark::State& state) {
    run(state, [](Graph& g) { return make("VX_Gener_White -o %o", g.out); });
}

void BM_Gener_Exp(benchmark::State& state) {
    run(state, [](Graph& g) {
        return make("VX_Gener_Exp -o %o -beg %f -time %f", g.out, 0.0, 1000.0); // decaying
    });
}

void BM_Shift(benchmark::State& state) {
    run(state,
        [](Graph& g) { return make("VX_Effect_Shift -i %o -o %o -s %i", g.in, g.out, 1000); });
}

void BM_Nshift(benchmark::State& state) {
    run(state,
        [](Graph& g) { return make("VX_Effect_Nshift -i %o -o %o -s %i", g.in, g.out, 1000); });
}

// 512 output samples from 64 input samples.
void BM_Oversam(benchmark::State& state) {
    run(state, [](Graph& g) { return make("VX_Effect_Oversam -i %o -o %o", g.in, g.out); });
}

} // namespace

TORV_BENCHMARK(BM_Gtzero);
TORV_BENCHMARK(BM_Ltzero);
TORV_BENCHMARK(BM_Dist);
TORV_BENCHMARK(BM_Ampdet);
TORV_BENCHMARK(BM_Lgd);
TORV_BENCHMARK(BM_Freqmul);
TORV_BENCHMARK(BM_Nefreqmul);
TORV_BENCHMARK(BM_Deline);
TORV_BENCHMARK(BM_Fourier_forward);
TORV_BENCHMARK(BM_Fourier_backward);
TORV_BENCHMARK(BM_Noisegate);
TORV_BENCHMARK(BM_Gener_White);
TORV_BENCHMARK(BM_Gener_Exp);
TORV_BENCHMARK(BM_Shift);
TORV_BENCHMARK(BM_Nshift);
TORV_BENCHMARK(BM_Oversam);
