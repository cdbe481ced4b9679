// The level and detector nodes: bounds, the soft clipper, the envelope follower and the
// gain-riding node, through their commands.
#include "nodes/node_fixture.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

using Nonlinear = NodeTest;

TEST_F(Nonlinear, BoundsKeepOneSideOfTheLevel) {
    VX_Buffer* in = buffer();
    VX_Buffer* above = buffer();
    VX_Buffer* below = buffer();
    make("VX_Effect_Gtzero -i %o -o %o -mode sub", in, above); // the mode is not used
    auto* lt = make<VX_Effect_Ltzero>("VX_Effect_Ltzero -i %o -o %o", in, below);
    fill(in, {-5, 7, 0, INT32_MIN, INT32_MAX});
    sp->process();
    EXPECT_EQ(std::vector<int32_t>(above->main, above->main + 5),
              (std::vector<int32_t>{0, 7, 0, 0, INT32_MAX}));
    EXPECT_EQ(std::vector<int32_t>(below->main, below->main + 5),
              (std::vector<int32_t>{-5, 0, 0, INT32_MIN, 0}));

    int32_t level = 0;
    VX_cmd("%o -l %f -l", lt, -2.9, &level); // truncated toward zero
    EXPECT_EQ(level, -2);
    sp->process();
    EXPECT_EQ(std::vector<int32_t>(below->main, below->main + 5),
              (std::vector<int32_t>{-5, -2, -2, INT32_MIN, -2}));
}

TEST_F(Nonlinear, DistPassesSmallSignalsAndNeverExceedsItsCeiling) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* dist = make<VX_Effect_Dist>("VX_Effect_Dist -i %o -o %o", in, out);
    EXPECT_EQ(dist->shape.read().limit, 8388608);
    EXPECT_EQ(dist->shape.read().knee, 4194304);
    EXPECT_EQ(dist->shape.read().coefficient, 0x04000000);
    // The clock recomputes the tracking coefficient from k, which is still 0.
    VX_cmd("VX_Effect %o -clock %i", dist, 48000);
    EXPECT_EQ(dist->shape.read().coefficient, 0);

    // Far inside the limits nothing is clipped, the bias stays 0: x with its two low bits
    // cleared by the two halvings.
    const auto small = IntegerNoise(5).block(512, 1 << 22);
    fill(in, small);
    sp->process();
    for (int i = 0; i < 512; ++i) ASSERT_EQ(out->main[i], small[i] & ~3) << i;
    EXPECT_EQ(dist->bias, 0);

    // Full-scale noise: the output stays within 4 D, and the bias moves.
    fill(in, IntegerNoise(6).block(512, INT32_MAX));
    for (int block = 0; block < 4; ++block) {
        sp->process();
        for (int i = 0; i < 512; ++i) ASSERT_LE(std::abs(int64_t{out->main[i]}), 4 << 24);
    }

    float ceiling = 0;
    VX_cmd("%o -d %f -d", dist, 1.0, &ceiling);
    EXPECT_EQ(ceiling, 1.0f);
    EXPECT_EQ(dist->ceiling, 1 << 29);
    EXPECT_EQ(dist->shape.read().limit, 1 << 28);
}

TEST_F(Nonlinear, DistWithoutSoftnessClipsHard) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* dist = make<VX_Effect_Dist>("VX_Effect_Dist -i %o -o %o -s %i", in, out, 0);
    EXPECT_EQ(dist->shape.read().knee, 0);
    EXPECT_EQ(dist->shape.read().limit, 1 << 24);
    // A ramp through the ceiling: 4 v inside, exactly +-4 D beyond. The coefficient of the
    // bias is kept at 0 so that the clipping alone shows.
    dist->shape.update([](VX_Effect_Dist::Shape& s) { s.coefficient = 0; });
    std::vector<int32_t> ramp(512);
    for (int i = 0; i < 512; ++i) ramp[i] = (i - 256) * (1 << 19);
    fill(in, ramp);
    sp->process();
    for (int i = 0; i < 512; ++i) {
        const int32_t v = (ramp[i] >> 1) >> 1;
        const int32_t clipped = std::clamp(v, -(1 << 24), 1 << 24);
        ASSERT_EQ(out->main[i], clipped * 4) << i;
    }
}

TEST_F(Nonlinear, DistBiasFollowsAnOffsetSignal) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* dist =
        make<VX_Effect_Dist>("VX_Effect_Dist -i %o -o %o -clock %i -k %f", in, out, 48000, 0.01);
    EXPECT_NEAR(dist->shape.read().coefficient, 0.01f * 2147483647.0, 1);
    // A constant far above the ceiling: the bias climbs toward what is clipped away and the
    // output comes down from the ceiling, never beyond it.
    fill(in, std::vector<int32_t>(512, 1 << 28));
    int32_t first = 0;
    for (int block = 0; block < 20; ++block) {
        sp->process();
        if (block == 0) first = out->main[0];
        for (int i = 0; i < 512; ++i) ASSERT_LE(out->main[i], 4 << 24);
    }
    EXPECT_GT(dist->bias, 0);
    EXPECT_LT(out->main[511], first);
    // Switching off clears the bias.
    VX_cmd("VX_Effect %o -on %i", dist, 0);
    sp->process();
    EXPECT_EQ(dist->bias, 0);
}

TEST_F(Nonlinear, AmpdetWithZeroFrequenciesFollowsTheMagnitude) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    VX_Buffer* rect = buffer();
    auto* det = make<VX_Effect_Ampdet>(
        "VX_Effect_Ampdet -i %o -o %o -a %o -f1 %i -f2 %i", in, out, rect, 0, 0);
    EXPECT_EQ(det->coefficients.read().rise, 0); // no clock yet: kept
    VX_cmd("VX_Effect %o -clock %i", det, 44100);
    EXPECT_EQ(det->coefficients.read().rise, 0x7FFFFFFF);
    EXPECT_EQ(det->coefficients.read().fall, 0x7FFFFFFF);

    const auto x = IntegerNoise(7).block(512, 1 << 30);
    fill(in, x);
    fill(out, std::vector<int32_t>(512, 99));
    sp->process();
    int32_t e = 0;
    for (int i = 0; i < 512; ++i) {
        const int32_t a = std::abs(x[i]);
        ASSERT_EQ(rect->main[i], a);
        // A coefficient of 1 - 2^-31 lands one short when rising, exactly when falling.
        ASSERT_EQ(out->main[i], a > e ? a - 1 : a) << i;
        e = out->main[i];
    }
    fill(in, {INT32_MIN});
    sp->process();
    EXPECT_EQ(rect->main[0], INT32_MIN); // |0x80000000| stays as it is

    // Without the output only the rectified samples are written; the envelope stays put.
    VX_cmd("%o -o %o", det, static_cast<VX_Buffer*>(nullptr));
    det->envelope = 1234;
    fill(in, x);
    sp->process();
    EXPECT_EQ(det->envelope, 1234);
    EXPECT_EQ(rect->main[100], std::abs(x[100]));
}

TEST_F(Nonlinear, AmpdetRisesAndFallsAtItsOwnRates) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* det = make<VX_Effect_Ampdet>(
        "VX_Effect_Ampdet -i %o -o %o -clock %i -f1 %i -f2 %i", in, out, 48000, 100, 10);
    // 2^31 x 2 pi f / (2 pi f + fs): a one-pole of time constant about fs / (2 pi f) samples.
    const double w = 2 * std::numbers::pi * 100;
    EXPECT_NEAR(det->coefficients.read().rise, 2147483648.0 * w / (w + 48000), 1);
    const int32_t level = 1 << 28;
    std::vector<int32_t> y;
    const auto steady = std::vector<int32_t>(512, level);
    for (int block = 0; block < 4; ++block) {
        fill(in, steady);
        sp->process();
        y.insert(y.end(), out->main, out->main + 512);
    }
    // About 76 samples per time constant: 63 % after it, all but 5 % after three.
    EXPECT_NEAR(y[75] / double(level), 0.632, 0.02);
    EXPECT_NEAR(y[228] / double(level), 0.95, 0.01);
    EXPECT_GT(y.back(), level - (level >> 10));

    // The fall is ten times slower: after 76 samples the envelope has lost only about 10 %.
    fill(in, std::vector<int32_t>(512, 0));
    sp->process();
    EXPECT_NEAR(out->main[75] / double(level), 0.905, 0.02);
    // "add" writes the envelope on top of what the output holds; the state is the envelope.
    VX_cmd("%o -mode add", det);
    const int32_t e = det->envelope;
    fill(out, std::vector<int32_t>(512, 1000));
    fill(in, std::vector<int32_t>(512, e));
    sp->process();
    EXPECT_EQ(out->main[0], 1000 + e);
    EXPECT_EQ(det->envelope, e);
}

TEST_F(Nonlinear, LgdRidesTheSignalDownToItsReference) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* lgd = make<VX_Effect_Lgd>("VX_Effect_Lgd -i %o -o %o", in, out);
    float c = 0;
    VX_cmd("%o -c", lgd, &c);
    EXPECT_FLOAT_EQ(c, 0.1f);

    // Below the reference nothing happens: g stays 0, the output is the input.
    const auto quiet = IntegerNoise(9).block(512, 1 << 27); // below 0.1 of full scale
    fill(in, quiet);
    sp->process();
    EXPECT_EQ(lgd->gain, 0.0);
    EXPECT_EQ(contents(out), quiet);

    // Held above it, the output is drawn toward c (2^31 x 0.1) as g grows.
    const int32_t loud = 1 << 30; // 0.5
    fill(in, std::vector<int32_t>(512, loud));
    for (int block = 0; block < 8; ++block) sp->process();
    EXPECT_GT(lgd->gain, 1.0);
    const double reference = 0.1 * 2147483648.0;
    EXPECT_LT(out->main[511], loud);
    EXPECT_LT(std::abs(out->main[511] - reference), 0.01 * (loud - reference));
    // Back below, g decays and the output returns toward the input.
    fill(in, std::vector<int32_t>(512, 1 << 20));
    for (int block = 0; block < 200; ++block) sp->process();
    EXPECT_LT(lgd->gain, 0.05);
    VX_cmd("VX_Effect %o -on %i", lgd, 0);
    sp->process();
    EXPECT_EQ(lgd->gain, 0.0);
}

TEST_F(Nonlinear, NodesWithoutTheirBuffersDoNothing) {
    for (const char* cls : {"VX_Effect_Gtzero",
                            "VX_Effect_Ltzero",
                            "VX_Effect_Dist",
                            "VX_Effect_Ampdet",
                            "VX_Effect_Lgd"})
        make(cls);
    VX_Buffer* in = buffer();
    VX_Buffer* shorter = buffer(10);
    make("VX_Effect_Dist -i %o", in);
    make("VX_Effect_Ampdet -i %o -a %o", in, shorter);
    make("VX_Effect_Lgd -i %o -o %o", in, shorter);
    fill(in, IntegerNoise(1).block(512, INT32_MAX));
    sp->process(); // ASan watches the short buffer
    EXPECT_EQ(shorter->count, 10);
}

} // namespace
