// The frequency multipliers: their latency, what they make of periodic signals, and their
// options.
#include "nodes/node_fixture.h"

namespace {

using Freqmul = NodeTest;

// The lag at which y follows x exactly over the compared stretch, or -1.
int delayOf(const std::vector<int32_t>& x, const std::vector<int32_t>& y, int from, int to,
            int maxDelay) {
    for (int d = 0; d <= maxDelay; ++d) {
        bool all = true;
        for (int i = from; i < to && all; ++i) all = y[i] == x[i - d];
        if (all) return d;
    }
    return -1;
}

TEST_F(Freqmul, FactorOneDelaysByTheLatency) {
    VX_Buffer* in = buffer();
    VX_Buffer* plainOut = buffer();
    VX_Buffer* smoothOut = buffer();
    make("VX_Effect_Freqmul -i %o -o %o -k %i -clock %i", in, plainOut, 1, 44100);
    make("VX_Effect_Nefreqmul -i %o -o %o -k %i -clock %i", in, smoothOut, 1, 44100);
    const auto x = IntegerNoise(11).block(512 * 12, 1 << 30);
    std::vector<int32_t> plain, smooth;
    for (size_t at = 0; at < x.size(); at += 512) {
        std::copy(x.begin() + at, x.begin() + at + 512, in->main);
        sp->process();
        plain.insert(plain.end(), plainOut->main, plainOut->main + 512);
        smooth.insert(smooth.end(), smoothOut->main, smoothOut->main + 512);
    }
    // trunc(44100 x 0.02f + 512) + 1 and trunc(44100 x 0.02f) + 1: the single-precision
    // latency times the clock is 881.99998, just short of 882.
    EXPECT_EQ(delayOf(x, plain, 2048, 6144, 2000), 1394);
    EXPECT_EQ(delayOf(x, smooth, 2048, 6144, 2000), 882);
}

TEST_F(Freqmul, SquareWaveComesOutAtTwiceItsFrequency) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    make("VX_Effect_Freqmul -i %o -o %o -clock %i", in, out, 44100); // k = 2
    std::vector<int32_t> square(512 * 20);
    for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 ? -1000 : 1000;
    const auto y = stream(in, out, square);
    // Runs of equal samples in the last blocks: half periods of 25 instead of 50.
    std::vector<int> runs;
    int run = 1;
    for (size_t i = y.size() - 2048; i < y.size(); ++i) {
        if (y[i] == y[i - 1]) {
            ++run;
        } else {
            runs.push_back(run);
            run = 1;
        }
    }
    ASSERT_GT(runs.size(), 40u);
    for (size_t r = 1; r < runs.size(); ++r) EXPECT_EQ(runs[r], 25) << r;
}

TEST_F(Freqmul, InputWithoutCrossingsYieldsEveryKthDelayedSample) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    make("VX_Effect_Freqmul -i %o -o %o -k %i -clock %i", in, out, 3, 48000);
    // A ramp that stays positive crosses zero only at its first sample (after the initial
    // previous sample of -1), where the one-sample period is repeated twice: from then on the
    // ring holds the plain input, sample m at ring index m + 3. It is read three samples at a
    // time, trunc(48000 x 0.02f + 512 x 3) = 2495 places behind the read index.
    std::vector<int32_t> ramp(512 * 4);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int32_t>(i + 1);
    const auto y = stream(in, out, ramp);
    // Until the read overtakes the write, output sample t is input sample 3 t - 2498.
    for (int t = 1024; t < 1024 + 320; ++t) ASSERT_EQ(y[t], 3 * t - 2497) << t;
}

TEST_F(Freqmul, SmoothMultiplierJoinsItsCopiesWithoutJumps) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* nf =
        make<VX_Effect_Nefreqmul>("VX_Effect_Nefreqmul -i %o -o %o -clock %i", in, out, 44100);
    // A sine of 441 Hz (100 samples a period) doubled: 882 Hz, and continuous.
    const auto x = tone(512 * 40, 44100, 441, 1 << 28);
    const auto y = stream(in, out, x);
    EXPECT_GT(nf->slope, 0.0);
    ToneAnalyzer analyzer(44100 / 441 * 10); // ten periods of the input: bins of 44.1 Hz
    const int32_t* window = y.data() + 512 * 30;
    EXPECT_GT(analyzer.amplitude(window, 20), 0.5 * (1 << 28)); // 882 Hz
    EXPECT_LT(analyzer.amplitude(window, 10), 0.1 * (1 << 28)); // hardly any 441 Hz left
    int64_t biggestStep = 0;
    for (size_t i = 512 * 30; i < y.size(); ++i)
        biggestStep = std::max<int64_t>(biggestStep, std::abs(int64_t{y[i]} - y[i - 1]));
    // A sine of 882 Hz at this level moves by at most 2 pi 882 / 44100 x 2^28 per sample.
    EXPECT_LT(biggestStep, 2 * 0.126 * (1 << 28));
}

TEST_F(Freqmul, SmoothMultiplierWritesOnlyInSetAndAdd) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* nf =
        make<VX_Effect_Nefreqmul>("VX_Effect_Nefreqmul -i %o -o %o -k %i -mode sub", in, out, 1);
    fill(in, std::vector<int32_t>(512, 77));
    fill(out, std::vector<int32_t>(512, 5));
    for (int block = 0; block < 4; ++block) sp->process();
    EXPECT_EQ(contents(out), std::vector<int32_t>(512, 5));
    // With no clock the latency is 0: the read runs one sample behind the write.
    VX_cmd("%o -mode add", nf);
    sp->process();
    EXPECT_EQ(contents(out), std::vector<int32_t>(512, 82));

    // Off and on again: ring and average slope are cleared.
    nf->slope = 3.0;
    VX_cmd("VX_Effect %o -on %i", nf, 0);
    sp->process();
    EXPECT_EQ(nf->slope, 0.0);
    EXPECT_EQ(nf->ring[100], 0);
}

TEST_F(Freqmul, FactorStaysWithinItsRange) {
    auto* fm = make<VX_Effect_Freqmul>("VX_Effect_Freqmul");
    auto* nf = make<VX_Effect_Nefreqmul>("VX_Effect_Nefreqmul");
    int32_t k = 0;
    VX_cmd("%o -k %f -k", fm, 3.9, &k);
    EXPECT_EQ(k, 3);
    VX_cmd("%o -k %i -k", fm, 0, &k);
    EXPECT_EQ(k, 1);
    VX_cmd("%o -k %i -k", nf, -5, &k);
    EXPECT_EQ(k, 1);
    VX_cmd("%o -k %i -k", nf, 1000000, &k);
    EXPECT_EQ(k, VX_Effect_Freqmul::maxFactor);
    float tolerance = 0, smoothing = 0;
    VX_cmd("%o -rand -stab", nf, &tolerance, &smoothing);
    EXPECT_FLOAT_EQ(tolerance, 0.6f);
    EXPECT_FLOAT_EQ(smoothing, 0.7f);

    // The largest factor on a signal that crosses zero all the time stays inside its ring.
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    VX_cmd("%o -i %o -o %o", fm, in, out);
    VX_cmd("%o -i %o -o %o", nf, in, out);
    VX_cmd("%o -k %i", fm, 1000);
    fill(in, IntegerNoise(12).block(512, 1 << 30));
    for (int block = 0; block < 3; ++block) sp->process();
}

} // namespace
