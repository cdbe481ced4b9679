// The kernels and the plug-in's third-order graph at 512-sample blocks, with two references:
// the floor (bare loops of the one-pole and two-pole recursions with the same integer
// arithmetic, nothing else) and a double-precision transposed direct-form II cascade of the
// same third-order Butterworth high-pass, the usual way of computing it.
#include "bench_main.h"
#include "plugin/highpass_graph.h"

#include "VX/Kernels/VX_kern_highpass3_loops.h"
#include "VX/VX.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int n = static_cast<int>(torv_bench_block);

std::vector<int32_t> noise(uint32_t seed, int32_t amplitude) {
    std::vector<int32_t> v(n);
    for (auto& s : v) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        s = static_cast<int32_t>((static_cast<uint64_t>(seed) * 2 * amplitude >> 32) - amplitude);
    }
    return v;
}

struct Block {
    std::vector<int32_t> a = noise(1, 1 << 29), b = noise(2, 1 << 29), out = noise(3, 1 << 29);
};

void BM_kern_hipass1(benchmark::State& state) {
    Block k;
    int32_t b = 0;
    for (auto _ : state) {
        VX_kern_hipass1(k.a.data(), k.out.data(), n, 535616699u, &b);
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

void BM_kern_lopass1(benchmark::State& state) {
    Block k;
    int32_t b = 0;
    const uint32_t a = 535616699u;
    for (auto _ : state) {
        VX_kern_lopass1[VX_MODE_SET](k.a.data(), k.out.data(), n, &a, &b);
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

void BM_kern_copy(benchmark::State& state) {
    Block k;
    for (auto _ : state) {
        VX_kern_copy[VX_MODE_SET](k.a.data(), k.out.data(), n, 1, 1);
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

void BM_kern_copy_strided(benchmark::State& state) {
    Block k;
    for (auto _ : state) {
        VX_kern_copy[VX_MODE_ADD](k.a.data(), k.out.data(), n / 2, 2, 2);
        VX_kern_copy[VX_MODE_ADD](k.a.data() + 1, k.out.data() + 1, n / 2, 2, 2);
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

template <int Oper> void BM_kern_oper(benchmark::State& state) {
    Block k;
    for (auto _ : state) {
        VX_kern_oper[Oper * VX_MODE_COUNT + VX_MODE_SET](k.a.data(), k.b.data(), k.out.data(), n);
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

template <int Oper> void BM_kern_koef(benchmark::State& state) {
    Block k;
    for (auto _ : state) {
        VX_kern_koef[Oper * VX_MODE_COUNT + VX_MODE_SET](k.a.data(), k.out.data(), n, 16909320);
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

// The band-pass of the graph: f = 1000, q = 0.618 at 44100 Hz.
constexpr int32_t c0 = 163171937, c1 = 285650572, c2 = 142825286;

template <int Mode> void BM_kern_bapass(benchmark::State& state) {
    Block k;
    int32_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (auto _ : state) {
        VX_kern_bapass[Mode](k.a.data(), k.out.data(), n, c0, c1, c2, &x1, &x2, &y1, &y2);
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

// The fused third-order kernel: the one-pole above and the band-pass, in one pass, through
// the loop the processor takes and, on x86-64, through the loop that checks every sample.
void runHighpass3(benchmark::State& state, decltype(VX_Kern_Highpass3_Args::loop) loop) {
    Block k;
    int32_t onepole = 0;
    VX_Kern_Twopole_State section;
    VX_Kern_Highpass3_Args args;
    VX_kern_highpass3_coefficients(args, 535616699u, c0, c1, c2);
    args.onepole = &onepole;
    args.section = &section;
    std::vector<int32_t> copy(n);
    for (auto _ : state) {
        loop(k.a.data(), k.out.data(), copy.data(), n, args);
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

void BM_kern_highpass3(benchmark::State& state) {
    runHighpass3(state, VX_kern_highpass3);
}

#if defined(VX_KERN_HIGHPASS3_WIDE)
void BM_kern_highpass3_checked(benchmark::State& state) {
    runHighpass3(state, VX_kern_highpass3_checked);
}
#endif

void BM_kern_fade(benchmark::State& state) {
    Block k;
    for (auto _ : state) {
        VX_kern_fade_to_main(k.out.data(), k.a.data(), n);
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

// The plug-in's graph at 1000 Hz and 44100 Hz over a block of noise.
struct Graph : HighpassGraph {
    explicit Graph(bool floating) : HighpassGraph(n) {
        setClock(44100);
        setCutoff(1000.0);
        if (floating) VX_cmd("%o -a floating", bandpass);
        const auto x = noise(4, 1 << 29);
        std::memcpy(input->main, x.data(), sizeof(int32_t) * n);
    }
};

void BM_graph_third_order(benchmark::State& state) {
    Graph g(false);
    for (auto _ : state) {
        g.runBlock(n);
        benchmark::DoNotOptimize(g.output->main);
    }
    torv_bench_count(state);
}

void BM_graph_third_order_floating(benchmark::State& state) {
    Graph g(true);
    for (auto _ : state) {
        g.runBlock(n);
        benchmark::DoNotOptimize(g.output->main);
    }
    torv_bench_count(state);
}

// Floor: the one-pole recursion alone, as plainly as it can be written.
void BM_floor_onepole(benchmark::State& state) {
    Block k;
    uint32_t b = 0;
    const uint32_t a = 535616699u, halfA = a >> 1;
    for (auto _ : state) {
        const int32_t* x = k.a.data();
        int32_t* y = k.out.data();
        for (int i = 0; i < n; ++i) {
            const uint32_t d = 0x80000000u + static_cast<uint32_t>(x[i]) - b;
            b = b + static_cast<uint32_t>((static_cast<uint64_t>(d) * a) >> 32) - halfA;
            y[i] = static_cast<int32_t>(b);
        }
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

inline uint32_t mul31(uint32_t a, int32_t c) {
    return static_cast<uint32_t>((static_cast<int64_t>(static_cast<int32_t>(a)) * c) >> 31);
}

// Floor: the two-pole recursion alone.
void BM_floor_twopole(benchmark::State& state) {
    Block k;
    uint32_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (auto _ : state) {
        const int32_t* xs = k.a.data();
        int32_t* ys = k.out.data();
        for (int i = 0; i < n; ++i) {
            const uint32_t x = static_cast<uint32_t>(xs[i]);
            const uint32_t y = mul31(x - x2, c2) - y2 + mul31(y2, c1) + 2 * y1 - 2 * mul31(y1, c0);
            ys[i] = static_cast<int32_t>(y);
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
        }
        benchmark::DoNotOptimize(k.out.data());
    }
    torv_bench_count(state);
}

// Reference: a third-order Butterworth high-pass as one first-order and one second-order
// section, bilinear with prewarping, transposed direct form II in double precision.
void BM_reference_double_tdf2(benchmark::State& state) {
    const double pi = 3.14159265358979323846;
    const double kw = std::tan(pi * 1000.0 / 44100.0);
    const double b10 = 1.0 / (1.0 + kw), b11 = -b10, a11 = (kw - 1.0) / (kw + 1.0);
    const double norm = 1.0 / (1.0 + kw + kw * kw);
    const double b20 = norm, b21 = -2.0 * norm, b22 = norm;
    const double a21 = 2.0 * (kw * kw - 1.0) * norm, a22 = (1.0 - kw + kw * kw) * norm;
    std::vector<double> x(n), y(n);
    const auto source = noise(5, 1 << 29);
    for (int i = 0; i < n; ++i) x[i] = source[i] * (1.0 / 1073741824.0);
    double s1 = 0, t1 = 0, t2 = 0;
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) {
            const double u = b10 * x[i] + s1;
            s1 = b11 * x[i] - a11 * u;
            const double v = b20 * u + t1;
            t1 = b21 * u - a21 * v + t2;
            t2 = b22 * u - a22 * v;
            y[i] = v;
        }
        benchmark::DoNotOptimize(y.data());
    }
    torv_bench_count(state);
}

} // namespace

TORV_BENCHMARK(BM_kern_hipass1);
TORV_BENCHMARK(BM_kern_lopass1);
TORV_BENCHMARK(BM_kern_copy);
TORV_BENCHMARK(BM_kern_copy_strided);
TORV_BENCHMARK(BM_kern_oper<VX_OPER_ADD>);
TORV_BENCHMARK(BM_kern_oper<VX_OPER_SUB>);
TORV_BENCHMARK(BM_kern_oper<VX_OPER_MUL>);
TORV_BENCHMARK(BM_kern_oper<VX_OPER_DIV>);
TORV_BENCHMARK(BM_kern_koef<VX_OPER_ADD>);
TORV_BENCHMARK(BM_kern_koef<VX_OPER_MUL>);
TORV_BENCHMARK(BM_kern_koef<VX_OPER_DIV>);
TORV_BENCHMARK(BM_kern_bapass<VX_MODE_SET>);
TORV_BENCHMARK(BM_kern_bapass<VX_MODE_SUB>);
TORV_BENCHMARK(BM_kern_highpass3);
#if defined(VX_KERN_HIGHPASS3_WIDE)
TORV_BENCHMARK(BM_kern_highpass3_checked);
#endif
TORV_BENCHMARK(BM_kern_fade);
TORV_BENCHMARK(BM_graph_third_order);
TORV_BENCHMARK(BM_graph_third_order_floating);
TORV_BENCHMARK(BM_floor_onepole);
TORV_BENCHMARK(BM_floor_twopole);
TORV_BENCHMARK(BM_reference_double_tdf2);
