// The third-order graph gives the same bits on every target: a checksum of its output for a
// fixed input, with a cutoff change and an off/on switch on the way, in both arithmetics of the
// band-pass.
#include "plugin/highpass_graph.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>

namespace {

uint64_t checksumOfGraph(bool floating) {
    const int32_t fs = 44100;
    HighpassGraph graph;
    graph.setClock(fs);
    graph.setCutoff(239.47897); // the plug-in's initial cutoff
    if (floating) VX_cmd("%o -a floating", graph.bandpass);
    IntegerNoise noise(20240611);
    auto input = noise.block(2 * fs, 1 << 30);
    const auto sweep =
        integerSweep(3 * fs, phaseIncrement(20, fs), phaseIncrement(20000, fs), 1 << 30);
    input.insert(input.end(), sweep.begin(), sweep.end());

    uint64_t hash = fnv1a(nullptr, 0);
    std::vector<int32_t> out(input.size());
    const size_t third = input.size() / 3;
    graph.run(input.data(), out.data(), third);
    graph.setCutoff(2515);
    graph.setOn(false);
    graph.run(input.data() + third, out.data() + third, 1000);
    graph.setOn(true);
    graph.run(input.data() + third + 1000, out.data() + third + 1000, input.size() - third - 1000);
    return fnv1a(out.data(), out.size(), hash);
}

TEST(BitExact, ThirdOrderGraphChecksum) {
    const uint64_t integer = checksumOfGraph(false);
    const uint64_t floating = checksumOfGraph(true);
    std::printf("integer 0x%016" PRIx64 ", floating 0x%016" PRIx64 "\n", integer, floating);
    EXPECT_EQ(integer, 0x59662cde1524e258ull);
    EXPECT_EQ(floating, 0x65250f9bd613e6ecull);
    VX_Soundpipe::current = nullptr;
}

} // namespace
