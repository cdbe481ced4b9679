// The Fourier transform node and the spectral noise gate: sizes, windows, spectra of known
// signals, the way back, and the gate's gains.
#include "nodes/node_fixture.h"

#include "support/capture.h"

#include <cmath>
#include <numbers>
#include <regex>

namespace {

using Fourier = NodeTest;

double magnitude(const int32_t* pair) {
    return std::hypot(static_cast<double>(pair[0]), static_cast<double>(pair[1]));
}

TEST_F(Fourier, TwiddleTableHoldsTheHalfCircle) {
    const int32_t* t = VX_Fourier_Transform::twiddles();
    EXPECT_EQ(t[0], 2147483647);
    EXPECT_EQ(t[1], 0);
    EXPECT_EQ(t[2 * 512], 1518500249); // cos(pi/4) 2^31, truncated
    EXPECT_EQ(t[2 * 512 + 1], 1518500249);
    EXPECT_EQ(t[2 * 1024], 0);
    EXPECT_EQ(t[2 * 1024 + 1], 2147483647);
    for (int i = 0; i < 2048; i += 97) {
        const double angle = i * std::numbers::pi / 2048;
        ASSERT_NEAR(t[2 * i], std::cos(angle) * 2147483647.0, 1.0) << i;
        ASSERT_NEAR(t[2 * i + 1], std::sin(angle) * 2147483647.0, 1.0) << i;
    }
}

TEST_F(Fourier, SizesAndWords) {
    auto* ft = make<VX_Fourier_Transform>("VX_Fourier_Transform");
    EXPECT_EQ(ft->work, nullptr); // nothing until "-s"
    int32_t s = 0;
    VX_Buffer* work = nullptr;
    VX_cmd("%o -s %i -s -w", ft, 7, &s, &work);
    EXPECT_EQ(s, 7);
    ASSERT_NE(work, nullptr);
    int32_t workLength = 0, historyLength = 0;
    VX_cmd("%o -l", work, &workLength); // the owned buffers answer commands
    VX_cmd("%o -l", ft->history, &historyLength);
    EXPECT_EQ(workLength, 512);
    EXPECT_EQ(historyLength, 256);
    // Beyond the twiddle table, or below one stage, nothing changes.
    VX_cmd("%o -s %i -s", ft, 12, &s);
    EXPECT_EQ(s, 7);
    VX_cmd("%o -s %i -s", ft, -1, &s);
    EXPECT_EQ(s, 7);
    EXPECT_EQ(ft->work->count, 512);

    const char* word = nullptr;
    VX_cmd("%o -d backward -d", ft, &word);
    EXPECT_STREQ(word, "backward");
    VX_cmd("%o -d sideways -d", ft, &word);
    EXPECT_STREQ(word, "backward");
    VX_cmd("%o -win sin -win", ft, &word);
    EXPECT_STREQ(word, "sin");
    VX_cmd("%o -win hann -win", ft, &word);
    EXPECT_STREQ(word, "sin");
}

class Spectrum : public NodeTest {
protected:
    void SetUp() override {
        NodeTest::SetUp();
        in = buffer();
        ft = make<VX_Fourier_Transform>("VX_Fourier_Transform -i %o -s %i", in, 7); // 256
    }
    const int32_t* analyse(const std::vector<int32_t>& x) {
        fill(in, x);
        sp->process();
        return ft->work->main;
    }
    VX_Buffer* in = nullptr;
    VX_Fourier_Transform* ft = nullptr;
};

TEST_F(Spectrum, ConstantGoesToBinZero) {
    const int32_t c = 3 << 22;
    const int32_t* X = analyse(std::vector<int32_t>(512, c));
    EXPECT_NEAR(X[0], c, 1);
    EXPECT_NEAR(X[1], 0, 1);
    for (int k = 1; k < 256; ++k) ASSERT_LE(magnitude(X + 2 * k), 2.0) << k;
}

TEST_F(Spectrum, SinWindowWeighsTheEndsByZeroAndTheMiddleByOne) {
    VX_cmd("%o -win sin", ft);
    // sin^2(pi i / N) = (1 - cos(2 pi i / N)) / 2: a constant comes out as c/2 in bin 0 and
    // -c/4 in bins 1 and N - 1, nothing elsewhere.
    const int32_t c = 1 << 24;
    const int32_t* X = analyse(std::vector<int32_t>(512, c));
    EXPECT_NEAR(X[0], c / 2, 2);
    EXPECT_NEAR(X[2], -c / 4, 2);
    EXPECT_NEAR(X[2 * 255], -c / 4, 2);
    for (int k = 2; k < 255; ++k) ASSERT_LE(magnitude(X + 2 * k), 3.0) << k;

    // An impulse in the middle of the window keeps its full size: a flat spectrum of x / N
    // with alternating sign; one at the start of the window vanishes.
    std::vector<int32_t> x(512, 0);
    x[256 + 128] = 1 << 28;
    X = analyse(x);
    for (int k = 0; k < 256; ++k) ASSERT_NEAR(X[2 * k], (k % 2 ? -1 : 1) * (1 << 20), 2) << k;
    x.assign(512, 0);
    x[256] = 1 << 28;
    X = analyse(x);
    for (int k = 0; k < 256; ++k) ASSERT_LE(magnitude(X + 2 * k), 2.0) << k;
}

TEST_F(Spectrum, ToneLandsInItsBins) {
    // 9 cycles in 256 samples, amplitude A: A / 2 in bins 9 and N - 9.
    const double A = 1 << 27;
    const int32_t* X = analyse(tone(512, 256, 9, A));
    EXPECT_NEAR(magnitude(X + 2 * 9), A / 2, A * 1e-6);
    EXPECT_NEAR(magnitude(X + 2 * (256 - 9)), A / 2, A * 1e-6);
    for (int k = 0; k < 256; ++k)
        if (k != 9 && k != 247) {
            ASSERT_LE(magnitude(X + 2 * k), 4.0) << k;
        }
}

TEST_F(Spectrum, ForwardThenBackwardGivesTheSamplesBack) {
    auto* back =
        make<VX_Fourier_Transform>("VX_Fourier_Transform -i %o -s %i -d backward", ft->work, 7);
    IntegerNoise noise(31);
    for (int block = 0; block < 3; ++block) {
        const auto x = noise.block(512, 1 << 26);
        fill(in, x);
        sp->process();
        // The window is the last 256 samples, oldest first; the way back conjugates, which
        // leaves real samples real. Each of the 16 stages rounds once.
        int32_t worst = 0;
        for (int i = 0; i < 256; ++i) {
            worst = std::max(worst, std::abs(back->work->main[2 * i] - x[256 + i]));
            worst = std::max(worst, std::abs(back->work->main[2 * i + 1]));
        }
        EXPECT_LE(worst, 256) << block;
    }
}

TEST_F(Spectrum, DebugPrintsTheAverageCycleCountEveryHundredBlocks) {
    VX_cmd("VX_Effect %o -debug %i", ft, 1);
    fill(in, IntegerNoise(2).block(512, 1 << 20));
    const std::string quiet = stdoutOf([&] {
        for (int block = 0; block < 99; ++block) sp->process();
    });
    EXPECT_EQ(quiet, "");
    const std::string line = stdoutOf([&] { sp->process(); });
    EXPECT_TRUE(std::regex_match(line, std::regex("[0-9]+\\.[0-9]{6}\n"))) << line;
    EXPECT_GT(ft->averageCycles, 0.0);
}

class Gate : public NodeTest {
protected:
    void SetUp() override {
        NodeTest::SetUp();
        spectrum = buffer();
        side = buffer();
        gate = make<VX_Fourier_Noisegate>(
            "VX_Fourier_Noisegate -i %o -s %o -o1 -o2", spectrum, side, &out1, &out2);
    }
    VX_Buffer* spectrum = nullptr;
    VX_Buffer* side = nullptr;
    VX_Buffer* out1 = nullptr;
    VX_Buffer* out2 = nullptr;
    VX_Fourier_Noisegate* gate = nullptr;
};

TEST_F(Gate, SizesEverythingFromItsInput) {
    VX_Buffer* profile = nullptr;
    VX_cmd("%o -w", gate, &profile);
    ASSERT_EQ(profile, gate->profile);
    EXPECT_EQ(profile->count, 129);
    EXPECT_EQ(gate->gains->count, 512);
    for (auto* t : {gate->sideSpectrum,
                    gate->delayedSpectrum,
                    gate->impulse,
                    gate->firstHalf,
                    gate->secondHalf})
        EXPECT_EQ(t->exponent, 7);
    EXPECT_EQ(gate->delayed->count, 512); // the side signal's length
    ASSERT_NE(out1, nullptr);             // made on query, with the input's length
    EXPECT_EQ(out1->count, 512);
    EXPECT_NE(out1, out2);
    for (int i = 0; i < 512; i += 2) ASSERT_EQ(gate->gains->main[i], 2097151);
    // The internal nodes are not in the soundpipe's chain: only the gate runs them.
    EXPECT_EQ(sp->nodes.count, 1);

    // Inputs that would need more than 1024 points, or fewer than 2, are refused.
    VX_Buffer* big = buffer(4096);
    VX_Buffer* tiny = buffer(3);
    VX_Buffer* input = nullptr;
    VX_cmd("%o -i %o -i %o -i", gate, big, tiny, &input);
    EXPECT_EQ(input, spectrum);
    EXPECT_EQ(gate->points(), 256);
    VX_Buffer* largest = buffer(2048);
    VX_cmd("%o -i %o", gate, largest);
    EXPECT_EQ(gate->points(), 1024);
}

TEST_F(Gate, ZeroProfilePassesTheSpectrumThrough) {
    IntegerNoise noise(41);
    std::vector<int32_t> previous;
    for (int block = 0; block < 4; ++block) {
        const auto x = noise.block(512, 1 << 28);
        fill(spectrum, x);
        fill(side, noise.block(512, 1 << 28));
        sp->process();
        // Every gain 1: its impulse response is a unit impulse, and output 2 is the input
        // scaled by 2097151 x 1024 / 2147483647, within a millionth.
        for (int i = 0; i < 512; i += 2) ASSERT_EQ(gate->gains->main[i], 2097151) << i;
        for (int i = 0; i < 512; ++i) {
            ASSERT_NEAR(out2->main[i], x[i], std::abs(x[i]) * 1e-6 + 1) << i;
            // Output 1 used the gains of the block before: the same from the second block on.
            if (block > 0) {
                ASSERT_EQ(out1->main[i], out2->main[i]) << i;
            }
        }
    }
    EXPECT_EQ(contents(gate->profile), std::vector<int32_t>(129, 0)); // not averaging
}

TEST_F(Gate, LearnedProfileGatesQuieterBins) {
    IntegerNoise noise(42);
    VX_cmd("%o -a %i", gate, 1);
    for (int block = 0; block < 60; ++block) {
        fill(side, noise.block(512, 1 << 26));
        sp->process();
    }
    for (int j = 0; j <= 128; ++j) ASSERT_GT(gate->profile->main[j], 0) << j;
    // Frozen, then silence on the side: every bin is below its profile and gated to 0, and
    // with all gains 0 nothing comes through.
    int32_t averaging = 1;
    VX_cmd("%o -a %i -a", gate, 0, &averaging);
    EXPECT_EQ(averaging, 0);
    const auto frozen = contents(gate->profile);
    fill(side, std::vector<int32_t>(512, 0));
    fill(spectrum, noise.block(512, 1 << 28));
    sp->process();
    EXPECT_EQ(contents(gate->profile), frozen);
    EXPECT_EQ(contents(gate->gains), std::vector<int32_t>(512, 0));
    EXPECT_EQ(contents(out2), std::vector<int32_t>(512, 0));

    // A loud tone on the side opens its own bins (mirrored) and no others.
    fill(side, tone(512, 256, 20, 1 << 29));
    sp->process();
    EXPECT_GT(gate->gains->main[2 * 20], 0.9 * 2097151);
    EXPECT_EQ(gate->gains->main[2 * (256 - 20)], gate->gains->main[2 * 20]);
    EXPECT_EQ(gate->gains->main[2 * 100], 0);
}

TEST_F(Gate, DoesNothingWithoutItsBuffers) {
    auto* bare = make<VX_Fourier_Noisegate>("VX_Fourier_Noisegate");
    auto* half = make<VX_Fourier_Noisegate>("VX_Fourier_Noisegate -i %o", spectrum);
    VX_Buffer* small = buffer(64);
    auto* shortOut = make<VX_Fourier_Noisegate>(
        "VX_Fourier_Noisegate -i %o -s %o -o1 %o -o2 %o", spectrum, side, small, small);
    fill(spectrum, IntegerNoise(3).block(512, 1 << 28));
    fill(small, std::vector<int32_t>(64, 5));
    sp->process();
    EXPECT_EQ(contents(small), std::vector<int32_t>(64, 5));
    EXPECT_EQ(bare->output1, nullptr);
    EXPECT_EQ(half->side, nullptr);
    EXPECT_EQ(shortOut->output1, small);
}

} // namespace
