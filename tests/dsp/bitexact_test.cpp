// The third-order graph gives the same bits on every target: a checksum of its output for a
// fixed input, with a cutoff change and an off/on switch on the way, in both arithmetics of the
// band-pass.
#include "plugin/highpass_graph.h"
#include "support/golden.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int32_t> outputOfGraph(bool floating) {
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

    std::vector<int32_t> out(input.size());
    const size_t third = input.size() / 3;
    graph.run(input.data(), out.data(), third);
    graph.setCutoff(2515);
    graph.setOn(false);
    graph.run(input.data() + third, out.data() + third, 1000);
    graph.setOn(true);
    graph.run(input.data() + third + 1000, out.data() + third + 1000, input.size() - third - 1000);
    return out;
}

TEST(BitExact, ThirdOrderGraphChecksum) {
    const std::vector<int32_t> integer = outputOfGraph(false);
    const std::vector<int32_t> floating = outputOfGraph(true);
    EXPECT_TRUE(golden::matches(fnv1a(integer.data(), integer.size()),
                                integer,
                                0x59662cde1524e258ull,
                                {758996621,
                                 -31564243,
                                 -747998460,
                                 -553342837,
                                 1009508431,
                                 -797130300,
                                 -317443116,
                                 109156004,
                                 605822979,
                                 -464433328,
                                 88888313,
                                 488605196,
                                 -905310208,
                                 918389007,
                                 -449294515,
                                 -356577652}));
    EXPECT_TRUE(golden::matches(fnv1a(floating.data(), floating.size()),
                                floating,
                                0x65250f9bd613e6ecull,
                                {758996619,
                                 -31564296,
                                 -747998342,
                                 -553342760,
                                 1009508369,
                                 -797130281,
                                 -317443116,
                                 109156005,
                                 605822975,
                                 -464433327,
                                 88888307,
                                 488605195,
                                 -905310206,
                                 918389007,
                                 -449294517,
                                 -356577650}));
    VX_Soundpipe::current = nullptr;
}

} // namespace
