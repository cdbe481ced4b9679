// The plug-in's third-order high-pass, built by the plug-in's commands: its measured response
// against the analogue Butterworth prototype, and its on/off switching.
#include "plugin/highpass_graph.h"
#include "plugin/highpass_law.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

class Highpass : public testing::Test {
protected:
    void TearDown() override { VX_Soundpipe::current = nullptr; }
};

// Gains in dB at whole-hertz frequencies: a tone (or a sum of tones) of `fs` samples per
// period, measured after the filter has settled.
std::vector<double> measureGainsDb(HighpassGraph& graph, int32_t fs,
                                   const std::vector<int64_t>& hertz, double amplitudeEach) {
    const size_t settle = static_cast<size_t>(fs / 2), period = static_cast<size_t>(fs);
    const auto x = multiTone(settle + period, period, hertz, amplitudeEach);
    const auto y = graph.run(x);
    const ToneAnalyzer analyzer(period);
    std::vector<double> gains;
    for (int64_t f : hertz)
        gains.push_back(decibels(analyzer.amplitude(y.data() + settle, f) /
                                 analyzer.amplitude(x.data() + settle, f)));
    return gains;
}

TEST_F(Highpass, GainsAtTheWorkedFrequencies) {
    HighpassGraph graph;
    graph.setClock(44100);
    graph.setCutoff(1000);
    const struct {
        int64_t hertz;
        double db;
    } worked[] = {{1000, -3.3},
                  {500, -18.2},
                  {250, -35.9},
                  {2000, -0.6},
                  {4000, -0.6},
                  {8000, -0.6},
                  {16000, -0.6}};
    for (const auto& w : worked) {
        const double gain = measureGainsDb(graph, 44100, {w.hertz}, 1 << 29)[0];
        EXPECT_NEAR(gain, w.db, 0.1) << w.hertz << " Hz";
    }
}

// The largest deviation from |H|^2 = r^6 / (1 + r^6) over 30 frequencies from 20 Hz to 20 kHz,
// for every cutoff and sample rate the effect is used at. Points deeper than -40 dB in the
// prototype are left out: there the difference of the two sections leaves a floor of its own.
// The discretisation (backward Euler for the first-order half, central differences for the
// band-pass) departs from the prototype in proportion to cutoff / fs, about 27 dB times that
// ratio, and only follows it well below the Nyquist frequency: the bound applies to tones
// below fs / 10 with cutoffs below fs / 20.
TEST_F(Highpass, ResponseFollowsTheButterworthPrototype) {
    const double cutoffs[] = {20, 100, 1000, 5000, 10000};
    const int32_t rates[] = {44100, 48000, 96000};
    std::vector<int64_t> hertz;
    for (int i = 0; i < 30; ++i) hertz.push_back(std::llround(20.0 * std::pow(1000.0, i / 29.0)));

    std::printf("cutoff Hz  rate Hz  max dev dB (at Hz)  bounded: max dev dB (at Hz)  bound dB\n");
    for (int32_t fs : rates) {
        for (double cutoff : cutoffs) {
            HighpassGraph graph;
            graph.setClock(fs);
            graph.setCutoff(cutoff);
            const auto gains = measureGainsDb(graph, fs, hertz, double(1 << 30) / 30);
            const bool bounded = cutoff <= fs / 20.0;
            const double bound = 30.0 * cutoff / fs + 0.01;
            double worstAll = 0, worstBounded = 0;
            int64_t atAll = 0, atBounded = 0;
            for (size_t i = 0; i < hertz.size(); ++i) {
                const double prototype = highpass_law::butterworthDb(double(hertz[i]), cutoff);
                if (prototype < -40) continue;
                const double dev = std::abs(gains[i] - prototype);
                if (dev > worstAll) worstAll = dev, atAll = hertz[i];
                if (bounded && hertz[i] <= fs / 10 && dev > worstBounded)
                    worstBounded = dev, atBounded = hertz[i];
            }
            std::printf(
                "%9.0f  %7d  %10.3f (%5lld)", cutoff, fs, worstAll, static_cast<long long>(atAll));
            if (bounded)
                std::printf("  %19.3f (%5lld)  %8.3f\n",
                            worstBounded,
                            static_cast<long long>(atBounded),
                            bound);
            else
                std::printf("  %19s %7s  %8s\n", "-", "", "-");
            EXPECT_LE(worstBounded, bound) << cutoff << " Hz at " << fs;
        }
    }
}

// Above about 0.225 fs the band-pass's c0 = k0 2^30 no longer fits in 32 bits; it stops at the
// end of the range, which keeps the top of the cutoff range at 44.1 kHz a working high-pass.
TEST_F(Highpass, TopCutoffAt44100StaysAHighPass) {
    HighpassGraph graph;
    graph.setClock(44100);
    graph.setCutoff(10000);
    EXPECT_EQ(graph.bandpass->coefficients.read().c0, INT32_MAX);
    EXPECT_GT(graph.bandpass->coefficients.read().k0, 2.0);
    const auto gains = measureGainsDb(graph, 44100, {100, 1000, 5000, 20000}, 1 << 27);
    EXPECT_LT(gains[0], -65);
    EXPECT_LT(gains[1], gains[2]);
    EXPECT_LT(gains[2], gains[3]);
    EXPECT_GT(gains[3], -6);
}

// Switching both filters crossfades over exactly the next block, from what the output was to
// what it becomes, and a filter switched on starts from rest.
TEST_F(Highpass, SwitchingCrossfadesOverOneBlockAndRestartsFromRest) {
    const int n = 512;
    HighpassGraph graph, reference;
    for (HighpassGraph* g : {&graph, &reference}) {
        g->setClock(44100);
        g->setCutoff(700);
    }
    IntegerNoise noise(77);
    const auto x = noise.block(8 * n, 1 << 29);
    const auto block = [&](int i) {
        return std::vector<int32_t>(x.begin() + i * n, x.begin() + (i + 1) * n);
    };
    const auto crossfade = [&](const std::vector<int32_t>& from, const std::vector<int32_t>& to) {
        std::vector<int32_t> v(n);
        for (int k = 0; k < n; ++k)
            v[k] = static_cast<int32_t>((int64_t{k} * to[k] + int64_t{n - k} * from[k]) / n);
        return v;
    };

    for (int i = 0; i < 3; ++i) EXPECT_EQ(graph.run(block(i)), reference.run(block(i)));
    graph.setOn(false);
    EXPECT_EQ(graph.run(block(3)), crossfade(reference.run(block(3)), block(3)));
    EXPECT_EQ(graph.run(block(4)), block(4)); // bypassed

    graph.setOn(true);
    HighpassGraph fresh;
    fresh.setClock(44100);
    fresh.setCutoff(700);
    EXPECT_EQ(graph.run(block(5)), crossfade(block(5), fresh.run(block(5))));
    for (int i = 6; i < 8; ++i) EXPECT_EQ(graph.run(block(i)), fresh.run(block(i)));
}

} // namespace
