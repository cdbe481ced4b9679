// The pitch shifters and the oversampler.
#include "nodes/node_fixture.h"

#include <cmath>

namespace {

using Shifters = NodeTest;

// Upward zero crossings per second over the given stretch.
double crossingRate(const std::vector<int32_t>& y, size_t from, size_t to, double fs) {
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) crossings += y[i - 1] < 0 && y[i] >= 0;
    return crossings * fs / static_cast<double>(to - from);
}

TEST_F(Shifters, SweepLengthFollowsTheClock) {
    auto* shift = make<VX_Effect_Nshift>("VX_Effect_Nshift");
    EXPECT_EQ(shift->sweep, 0x800000); // 512 samples
    VX_cmd("VX_Effect %o -clock %i", shift, 44100);
    EXPECT_EQ(shift->sweep, 7707033); // 470.39996 samples
    VX_cmd("VX_Effect %o -clock %i", shift, 48000);
    EXPECT_EQ(shift->sweep, 0x800000);
    int32_t speed = 0, phase = 0;
    VX_cmd("%o -s %f -p %f -s -p", shift, -99.9, 12.7, &speed, &phase);
    EXPECT_EQ(speed, -99);
    EXPECT_EQ(phase, 12);
}

TEST_F(Shifters, AtRestTheyDelayByTheSweep) {
    VX_Buffer* in = buffer();
    VX_Buffer* coarse = buffer();
    VX_Buffer* fine = buffer();
    VX_Buffer* between = buffer();
    make("VX_Effect_Nshift -i %o -o %o", in, coarse);
    make("VX_Effect_Shift -i %o -o %o", in, fine);
    make("VX_Effect_Nshift -i %o -o %o -p %i", in, between, 0x400000); // half the sweep
    const auto x = IntegerNoise(51).block(512 * 4, 1 << 30);
    std::vector<int32_t> yc, yf, yb;
    for (size_t at = 0; at < x.size(); at += 512) {
        std::copy(x.begin() + at, x.begin() + at + 512, in->main);
        sp->process();
        yc.insert(yc.end(), coarse->main, coarse->main + 512);
        yf.insert(yf.end(), fine->main, fine->main + 512);
        yb.insert(yb.end(), between->main, between->main + 512);
    }
    // W / 16384 = 512 samples: the tap at phase + W carries all the weight.
    for (size_t i = 0; i < x.size(); ++i) {
        const int32_t delayed = i >= 512 ? x[i - 512] : 0;
        ASSERT_EQ(yc[i], delayed & ~16383) << i; // 14 low bits dropped
        ASSERT_EQ(yf[i], delayed) << i;          // nothing subtracted: the weaker window is 0
        // Half way: the mean of the taps 256 and 768 samples back.
        const double a = i >= 256 ? (x[i - 256] & ~16383) : 0;
        const double b = i >= 768 ? (x[i - 768] & ~16383) : 0;
        ASSERT_NEAR(yb[i], (a + b) / 2, 1.0) << i;
    }
}

TEST_F(Shifters, SpeedChangesThePitchByItsRatio) {
    sp->blockLength = 480;
    const auto x = tone(48000 * 3, 48000, 1000, 1 << 28);
    // Runs three seconds of a 1000 Hz tone through a fresh shifter.
    auto shifted = [&](const char* command, int32_t speed) {
        VX_Buffer* in = buffer();
        VX_Buffer* out = buffer();
        auto* node = make<VX_Effect>(command, in, out, 48000, speed);
        std::vector<int32_t> y;
        for (size_t at = 0; at < x.size(); at += 480) {
            std::copy(x.begin() + at, x.begin() + at + 480, in->main);
            sp->process();
            y.insert(y.end(), out->main, out->main + 480);
        }
        VX_cmd("VX_Effect %o -on %i", node, 0); // out of the way of the next one
        return y;
    };
    // Each tap alone is the input slowed by 1 - speed / 16384. The crossfade from one tap to
    // the other, W samples apart, also turns the phase by a fraction of a cycle once per sweep;
    // at 1000 Hz and 48 kHz that moves the result by about 3 Hz (measured: 897 and 1103 Hz
    // for 900.02 and 1099.98).
    const int32_t speed = 1638;
    ToneAnalyzer analyzer(48000); // bins of 1 Hz over one second
    auto strongest = [&](const std::vector<int32_t>& y, int from, int to) {
        int best = from;
        for (int f = from; f <= to; ++f)
            if (analyzer.amplitude(y.data() + 48000, f) >
                analyzer.amplitude(y.data() + 48000, best))
                best = f;
        return best;
    };
    for (const char* cls : {"VX_Effect_Nshift -i %o -o %o -clock %i -s %i",
                            "VX_Effect_Shift -i %o -o %o -clock %i -s %i"}) {
        const auto down = shifted(cls, speed);
        EXPECT_NEAR(crossingRate(down, 48000, x.size(), 48000), 900.02, 9.0) << cls;
        EXPECT_NEAR(strongest(down, 850, 950), 900.02, 9.0) << cls;
        EXPECT_LT(analyzer.amplitude(down.data() + 48000, 1000), 0.05 * (1 << 28)) << cls;
        const auto up = shifted(cls, -speed);
        EXPECT_NEAR(crossingRate(up, 48000, x.size(), 48000), 1099.98, 11.0) << cls;
        EXPECT_NEAR(strongest(up, 1050, 1150), 1099.98, 11.0) << cls;
    }
}

TEST_F(Shifters, ResetSilencesUntilTheDelayHasFilled) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* shift = make<VX_Effect_Shift>("VX_Effect_Shift -i %o -o %o", in, out);
    fill(in, std::vector<int32_t>(512, 1 << 24));
    sp->process();
    sp->process();
    EXPECT_EQ(out->main[0], 1 << 24);
    VX_cmd("VX_Effect %o -on %i", shift, 0);
    sp->process();
    VX_cmd("VX_Effect %o -on %i", shift, 1);
    sp->process(); // the delay is 512 samples: all zeros from the cleared ring
    EXPECT_EQ(std::vector<int32_t>(out->shadow, out->shadow + 512), std::vector<int32_t>(512, 0));
    sp->process();
    EXPECT_EQ(out->main[0], 1 << 24);
}

TEST_F(Shifters, ExtremeSettingsStayInsideTheRings) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* a = make<VX_Effect_Shift>(
        "VX_Effect_Shift -i %o -o %o -s %i -p %i", in, out, INT32_MAX, INT32_MIN);
    auto* b = make<VX_Effect_Nshift>(
        "VX_Effect_Nshift -i %o -o %o -s %i -clock %i", in, out, -(1 << 30), 0); // a sweep of 0
    make("VX_Effect_Shift -i %o -o %o -s %i -clock %i", in, out, 16384, 1 << 30);
    fill(in, IntegerNoise(52).block(512, INT32_MAX));
    for (int block = 0; block < 3; ++block) sp->process();
    EXPECT_EQ(b->sweep, 0);
    EXPECT_EQ(a->speed, INT32_MAX);
}

TEST_F(Shifters, OversamplerInterpolatesEightfold) {
    VX_Buffer* in = buffer(64);
    VX_Buffer* out = buffer(512);
    auto* over = make<VX_Effect_Oversam>("VX_Effect_Oversam -i %o -o %o -k %i", in, out, 4);
    EXPECT_EQ(over->factor, 4); // reported, not used
    // A constant c comes out as 8 (c / 8) once the state has filled (after two input samples).
    const int32_t c = 1000003;
    fill(in, std::vector<int32_t>(64, c));
    sp->process();
    for (int i = 24; i < 512; ++i) ASSERT_EQ(out->main[i], c / 8 * 8) << i;
    // A ramp: straight lines between the samples, two input samples late (the slopes need
    // three samples of the block).
    std::vector<int32_t> ramp(64);
    for (int j = 0; j < 64; ++j) ramp[j] = (j + 100) * 8 * 1024;
    fill(in, ramp);
    sp->process();
    sp->process();
    for (int i = 24; i < 512; ++i)
        ASSERT_EQ(out->main[i], (i / 8 - 2 + 100) * 8 * 1024 + (i % 8) * 1024) << i;
    // An output longer than eight times the input is filled only that far.
    VX_Buffer* longOut = buffer(1024);
    VX_cmd("%o -o %o", over, longOut);
    std::fill(longOut->main, longOut->main + 1024, -1);
    sp->process();
    EXPECT_EQ(longOut->main[511], (63 - 2 + 100) * 8 * 1024 + 7 * 1024);
    EXPECT_EQ(longOut->main[512], -1);
}

} // namespace
