// VX_Rts::copyBuffer per sample between the host's float blocks and 16-bit, packed 24-bit and
// 32-bit integer channels, each against a plain loop that does the same conversion with
// constant strides and no format decoding. The loops' results are checked against
// copyBuffer's once before measuring, so both sides compute the same bits.
#include "bench_main.h"

// The audio runtime is a library of its own (vx_rts), outside VX/VX.h: its header.
#include "VX/Rts/VX_Rts.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int n = static_cast<int>(torv_bench_block);
constexpr double unit = 1.0 / 2147483647.0;

inline double clampUnit(double x) {
    if (!(x >= -1.0)) return -1.0;
    return x > 1.0 ? 1.0 : x;
}

// Plain loops: the conversions as one would write them for one pair of formats.
void loopInt16ToFloat(const void* in, void* out) {
    const auto* s = static_cast<const int16_t*>(in);
    auto* d = static_cast<float*>(out);
    for (int i = 0; i < n; ++i)
        d[i] = static_cast<float>(
            clampUnit(static_cast<int32_t>(static_cast<uint32_t>(s[i]) << 16) * unit));
}
void loopFloatToInt16(const void* in, void* out) {
    const auto* s = static_cast<const float*>(in);
    auto* d = static_cast<int16_t*>(out);
    for (int i = 0; i < n; ++i)
        d[i] = static_cast<int16_t>(static_cast<int32_t>(clampUnit(s[i]) * 2147483647.0) >> 16);
}
void loopInt24ToFloat(const void* in, void* out) {
    const auto* s = static_cast<const unsigned char*>(in);
    auto* d = static_cast<float*>(out);
    for (int i = 0; i < n; ++i, s += 3) {
        const int32_t v =
            static_cast<int32_t>(static_cast<uint32_t>(s[0] << 8 | s[1] << 16 | s[2] << 24));
        d[i] = static_cast<float>(clampUnit(v * unit));
    }
}
void loopFloatToInt24(const void* in, void* out) {
    const auto* s = static_cast<const float*>(in);
    auto* d = static_cast<unsigned char*>(out);
    for (int i = 0; i < n; ++i, d += 3) {
        const int32_t v = static_cast<int32_t>(clampUnit(s[i]) * 2147483647.0) >> 8;
        d[0] = static_cast<unsigned char>(v);
        d[1] = static_cast<unsigned char>(v >> 8);
        d[2] = static_cast<unsigned char>(v >> 16);
    }
}
void loopInt32ToFloat(const void* in, void* out) {
    const auto* s = static_cast<const int32_t*>(in);
    auto* d = static_cast<float*>(out);
    for (int i = 0; i < n; ++i) d[i] = static_cast<float>(clampUnit(s[i] * unit));
}
void loopFloatToInt32(const void* in, void* out) {
    const auto* s = static_cast<const float*>(in);
    auto* d = static_cast<int32_t*>(out);
    for (int i = 0; i < n; ++i) d[i] = static_cast<int32_t>(clampUnit(s[i]) * 2147483647.0);
}

struct Pair {
    uint32_t from, to;
    void (*loop)(const void*, void*);
};

const Pair int16ToFloat{VX_RTS_INT16, VX_RTS_FLOAT32, loopInt16ToFloat};
const Pair floatToInt16{VX_RTS_FLOAT32, VX_RTS_INT16, loopFloatToInt16};
const Pair int24ToFloat{VX_RTS_INT24, VX_RTS_FLOAT32, loopInt24ToFloat};
const Pair floatToInt24{VX_RTS_FLOAT32, VX_RTS_INT24, loopFloatToInt24};
const Pair int32ToFloat{VX_RTS_INT32, VX_RTS_FLOAT32, loopInt32ToFloat};
const Pair floatToInt32{VX_RTS_FLOAT32, VX_RTS_INT32, loopFloatToInt32};

// A block of the source format: noise, with floats a little beyond full scale now and then.
struct Blocks {
    std::vector<unsigned char> in, out, check;
    explicit Blocks(const Pair& p) : in(n * 4), out(n * 4), check(n * 4) {
        uint32_t x = 0x2545F491;
        for (int i = 0; i < n; ++i) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            if (p.from == VX_RTS_FLOAT32) {
                const float f = static_cast<float>(static_cast<int32_t>(x) * (1.1 / 2147483648.0));
                std::memcpy(&in[4 * i], &f, 4);
            } else {
                std::memcpy(&in[4 * i], &x, 4);
            }
        }
    }
};

VX_error copy(const Pair& p, Blocks& b, std::vector<unsigned char>& out) {
    VX_Rts::Chan from("from", p.from, n), to("to", p.to, n);
    from.data = b.in.data();
    to.data = out.data();
    return VX_Rts::copyBuffer(&to, &from);
}

// The loop must give copyBuffer's bytes, else the comparison means nothing.
void sameBits(const Pair& p, Blocks& b) {
    if (copy(p, b, b.check) != VX_OK) std::abort();
    p.loop(b.in.data(), b.out.data());
    if (b.out != b.check) {
        std::fprintf(stderr,
                     "rts_bench: the plain loop for 0x%X -> 0x%X differs from copyBuffer\n",
                     p.from,
                     p.to);
        std::abort();
    }
}

void copyBuffer(benchmark::State& state, const Pair& p) {
    Blocks b(p);
    sameBits(p, b);
    VX_Rts::Chan from("from", p.from, n), to("to", p.to, n);
    from.data = b.in.data();
    to.data = b.out.data();
    for (auto _ : state) {
        VX_Rts::copyBuffer(&to, &from);
        benchmark::DoNotOptimize(b.out.data());
    }
    torv_bench_count(state);
}

void plainLoop(benchmark::State& state, const Pair& p) {
    Blocks b(p);
    sameBits(p, b);
    for (auto _ : state) {
        p.loop(b.in.data(), b.out.data());
        benchmark::DoNotOptimize(b.out.data());
    }
    torv_bench_count(state);
}

} // namespace

BENCHMARK_CAPTURE(copyBuffer, int16_to_float, int16ToFloat)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(plainLoop, int16_to_float, int16ToFloat)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(copyBuffer, float_to_int16, floatToInt16)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(plainLoop, float_to_int16, floatToInt16)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(copyBuffer, int24_to_float, int24ToFloat)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(plainLoop, int24_to_float, int24ToFloat)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(copyBuffer, float_to_int24, floatToInt24)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(plainLoop, float_to_int24, floatToInt24)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(copyBuffer, int32_to_float, int32ToFloat)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(plainLoop, int32_to_float, int32ToFloat)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(copyBuffer, float_to_int32, floatToInt32)->Apply(torv_bench_configure);
BENCHMARK_CAPTURE(plainLoop, float_to_int32, floatToInt32)->Apply(torv_bench_configure);
