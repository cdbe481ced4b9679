// The filter, routing and arithmetic nodes through their commands: options and reports, the
// worked coefficients, and what each does to a block.
#include "support/capture.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

namespace {

class Nodes : public testing::Test {
protected:
    void SetUp() override { VX_cmd("VX_Soundpipe -bl %i", &sp, 512); }
    void TearDown() override {
        for (auto it = made.rbegin(); it != made.rend(); ++it) VX_cmd("%o -delete", *it);
        VX_cmd("%o -delete", sp);
        VX_Soundpipe::current = nullptr;
    }
    // Runs a creation command and keeps the object for deletion.
    template <typename T, typename... A> T* make(const char* command, A... args) {
        T* o = nullptr;
        VX_cmd(command, &o, args...);
        made.push_back(o);
        return o;
    }
    VX_Buffer* buffer(int32_t length = -1) { return make<VX_Buffer>("VX_Buffer -l %i", length); }
    static void fill(VX_Buffer* b, const std::vector<int32_t>& v) {
        std::copy(v.begin(), v.end(), b->main);
    }
    static std::vector<int32_t> contents(VX_Buffer* b) {
        return std::vector<int32_t>(b->main, b->main + b->count);
    }

    VX_Soundpipe* sp = nullptr;
    std::vector<VX_Object*> made;
};

TEST_F(Nodes, OnePoleCoefficientsFromFrequencyAndClock) {
    auto* hp = make<VX_Effect_Hipass>("VX_Effect_Hipass");
    const struct {
        int f, fs;
        uint32_t a;
    } worked[] = {{1000, 44100, 535616699}, {20, 44100, 12203807}, {10000, 48000, 2434866390u}};
    for (const auto& w : worked) {
        VX_cmd("%o -f %i", hp, w.f);
        VX_cmd("VX_Effect %o -clock %i", hp, w.fs);
        EXPECT_EQ(hp->coefficient.read(), w.a) << w.f << " Hz at " << w.fs;
        EXPECT_EQ(VX_Effect_Onepole::coefficientFor(w.f, w.fs), w.a);
    }
    // A zero frequency or clock keeps the coefficient; the frequency is truncated.
    int f = 0;
    VX_cmd("%o -f %i", hp, 0);
    EXPECT_EQ(hp->coefficient.read(), 2434866390u);
    VX_cmd("VX_Effect %o -clock %i", hp, 0);
    VX_cmd("%o -f %f -f", hp, 1000.9, &f);
    EXPECT_EQ(f, 1000);
    EXPECT_EQ(hp->coefficient.read(), 2434866390u);
    VX_cmd("VX_Effect %o -clock %i", hp, 44100);
    EXPECT_EQ(hp->coefficient.read(), 535616699u);
    VX_cmd("%o -f %i", hp, -1000); // meaningless, but no fault
}

#if defined(__i386__) || defined(__x86_64__)
TEST_F(Nodes, CoefficientsDoNotDependOnTheCallersPrecision) {
    // Windows threads run the x87 unit at 53-bit precision; the result must not change.
    unsigned short saved, doublePrecision;
    __asm__ volatile("fnstcw %0" : "=m"(saved));
    doublePrecision = static_cast<unsigned short>((saved & ~0x0300u) | 0x0200u);
    __asm__ volatile("fldcw %0" : : "m"(doublePrecision));
    const uint32_t a = VX_Effect_Onepole::coefficientFor(10000, 48000);
    const int32_t k = VX_Effect_Koef::scaled(0.3f);
    unsigned short after;
    __asm__ volatile("fnstcw %0" : "=m"(after));
    __asm__ volatile("fldcw %0" : : "m"(saved));
    EXPECT_EQ(a, 2434866390u);
    EXPECT_EQ(k, VX_Effect_Koef::scaled(0.3f));
    EXPECT_EQ(after, doublePrecision); // and the caller's setting is given back
}
#endif

TEST_F(Nodes, OnePoleFiltersABlock) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* lp = make<VX_Effect_Lopass>("VX_Effect_Lopass -i %o -o %o", in, out);
    fill(in, std::vector<int32_t>(512, 1 << 20));
    // Without frequency and clock the coefficient is 0: the low-pass holds its state of 0.
    fill(out, std::vector<int32_t>(512, 5));
    sp->process();
    EXPECT_EQ(contents(out), std::vector<int32_t>(512, 0));

    VX_cmd("%o -f %i", lp, 1000);
    VX_cmd("VX_Effect %o -clock %i", lp, 44100);
    sp->process();
    // Converged on the constant, within the one-pole's dead band of 1 / (2 alpha) = 4 units.
    EXPECT_EQ(out->main[511], (1 << 20) - 4);
    // "add" mode adds the low-pass to what the buffer holds.
    VX_cmd("%o -mode add", lp);
    fill(out, std::vector<int32_t>(512, 7));
    sp->process();
    EXPECT_EQ(out->main[511], (1 << 20) - 4 + 7);

    // Switching off and on starts again from rest.
    VX_cmd("VX_Effect %o -on %i", lp, 0);
    sp->process();
    EXPECT_EQ(lp->state, 0);
    VX_cmd("VX_Effect %o -on %i", lp, 1);
    VX_cmd("%o -mode set", lp);
    sp->process();
    // One step from rest; the odd coefficient rounds the step to nearest.
    EXPECT_EQ(out->shadow[0],
              static_cast<int32_t>(((int64_t{1} << 20) * 535616699 + (int64_t{1} << 31)) >> 32));
}

TEST_F(Nodes, HighPassIgnoresTheModeAndPassesTheInputBeforeItIsTuned) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* hp = make<VX_Effect_Hipass>("VX_Effect_Hipass -i %o -o %o -mode add", in, out);
    const auto x = IntegerNoise(3).block(512, 1 << 28);
    fill(in, x);
    fill(out, std::vector<int32_t>(512, 123));
    sp->process();
    EXPECT_EQ(contents(out), x); // coefficient 0 passes through, written as "set"

    VX_cmd("%o -f %i", hp, 1000);
    VX_cmd("VX_Effect %o -clock %i", hp, 44100);
    fill(in, std::vector<int32_t>(512, 1 << 28));
    hp->state = 0;
    sp->process();
    EXPECT_LT(std::abs(out->main[511]), 1 << 8); // a constant dies away
}

TEST_F(Nodes, NodesWithoutBuffersOrWithShortOnesStayInside) {
    // None of these has its buffers: each block must pass without touching anything.
    for (const char* cls : {"VX_Effect_Zero",
                            "VX_Effect_Copy",
                            "VX_Effect_Oper",
                            "VX_Effect_Koef",
                            "VX_Effect_Hipass",
                            "VX_Effect_Lopass",
                            "VX_Effect_Bapass"})
        make<VX_Effect>(cls);
    sp->process();

    // Buffers of different lengths: the node processes the shortest (ASan guards the rest).
    VX_Buffer* longer = buffer(512);
    VX_Buffer* shorter = buffer(100);
    auto* hp = make<VX_Effect_Hipass>("VX_Effect_Hipass -i %o -o %o", longer, shorter);
    auto* bp = make<VX_Effect_Bapass>("VX_Effect_Bapass -i %o -o %o -a floating", shorter, longer);
    auto* op = make<VX_Effect_Oper>("VX_Effect_Oper -i1 %o -i2 %o -o %o", longer, shorter, longer);
    fill(longer, std::vector<int32_t>(512, 9));
    sp->process();
    // The untuned high-pass passes 9s into the short buffer, the untuned band-pass writes 0s
    // from rest over the first 100 samples of the long one, the add puts the 9s back there;
    // nothing beyond sample 100 is touched.
    EXPECT_EQ(contents(shorter), std::vector<int32_t>(100, 9));
    EXPECT_EQ(contents(longer), std::vector<int32_t>(512, 9));
    EXPECT_EQ(hp->frequency + bp->frequency + op->operation, 0);
}

TEST_F(Nodes, BandPassCoefficientsOfTheWorkedExample) {
    auto* bp = make<VX_Effect_Bapass>("VX_Effect_Bapass -q .618 -f %i", 1000);
    EXPECT_EQ(bp->coefficients.read().c0, 0); // no clock yet
    VX_cmd("VX_Effect %o -clock %i", bp, 44100);
    EXPECT_NEAR(bp->coefficients.read().g, 3.5098, 5e-5);
    EXPECT_NEAR(bp->coefficients.read().h, 49.263, 5e-4);
    EXPECT_NEAR(bp->coefficients.read().k0, 0.151966, 5e-7);
    EXPECT_NEAR(bp->coefficients.read().k1, 0.133016, 5e-7);
    EXPECT_NEAR(bp->coefficients.read().k2, 0.066508, 5e-7);
    EXPECT_DOUBLE_EQ(bp->coefficients.read().k1, 2 * bp->coefficients.read().k2);
    EXPECT_EQ(bp->coefficients.read().c0,
              static_cast<int32_t>(bp->coefficients.read().k0 * 1073741824.0));
    EXPECT_EQ(bp->coefficients.read().c1,
              static_cast<int32_t>(bp->coefficients.read().k1 * 2147483648.0));
    EXPECT_EQ(bp->coefficients.read().c2,
              static_cast<int32_t>(bp->coefficients.read().k2 * 2147483648.0));

    char text[64];
    int cap = sizeof text;
    VX_cmd_text(text, &cap, "%o -q -f -a", bp);
    EXPECT_STREQ(text, "0.618000 1000.000000 integer");

    // q of 0 or 1 and NaN give no band: the coefficients stay.
    const int32_t c0 = bp->coefficients.read().c0;
    VX_cmd("%o -q %f", bp, 1.0);
    VX_cmd("%o -q %i", bp, 0);
    VX_cmd("%o -q %f", bp, std::nan(""));
    VX_cmd("%o -f %f", bp, std::nan(""));
    EXPECT_EQ(bp->coefficients.read().c0, c0);
    VX_cmd("%o -q %f -f %f", bp, 0.618, 2000.0);
    EXPECT_GT(bp->coefficients.read().c0, c0); // a wider band at a higher centre

    const char* arithmetic = nullptr;
    VX_cmd("%o -a floating -a", bp, &arithmetic);
    EXPECT_STREQ(arithmetic, "floating");
    VX_cmd("%o -a %i -a", bp, 0, &arithmetic); // not a string: unchanged
    EXPECT_STREQ(arithmetic, "floating");
    VX_cmd("%o -a float -a", bp, &arithmetic);
    EXPECT_STREQ(arithmetic, "integer");
}

// The gain of the difference equation y = k2 (x - x2) + (2 - k0) y1 - (1 - k1) y2 at f.
double bandPassGainDb(const VX_Effect_Bapass* bp, double f, double fs) {
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / fs), z2 = z1 * z1;
    const auto h =
        bp->coefficients.read().k2 * (1.0 - z2) /
        (1.0 - (2 - bp->coefficients.read().k0) * z1 + (1 - bp->coefficients.read().k1) * z2);
    return decibels(std::abs(h));
}

TEST_F(Nodes, BandPassResponseInBothArithmetics) {
    const int fs = 44100;
    VX_cmd("%o -bl %i", sp, 441);
    VX_Buffer* in = buffer();
    VX_Buffer* outInt = buffer();
    VX_Buffer* outFloat = buffer();
    auto* bi = make<VX_Effect_Bapass>(
        "VX_Effect_Bapass -i %o -o %o -q .618 -f %i -clock %i", in, outInt, 1000, fs);
    auto* bf = make<VX_Effect_Bapass>(
        "VX_Effect_Bapass -i %o -o %o -q .618 -f %i -clock %i -a floating", in, outFloat, 1000, fs);

    // Centre and band edges: unity at the centre, close to 1/sqrt(2) at the edges; then the
    // skirts far from the band.
    const int64_t freqs[] = {1000, 618, 1618, 100, 10000};
    const double expectedDb[] = {0.0, -3.01, -3.01};
    const size_t settle = 2 * fs, total = settle + fs;
    for (size_t t = 0; t < std::size(freqs); ++t) {
        const auto x = tone(total, fs, freqs[t], 1 << 28);
        std::vector<int32_t> yi(total), yf(total);
        int32_t worst = 0;
        for (size_t at = 0; at < total; at += 441) {
            std::copy(x.begin() + at, x.begin() + at + 441, in->main);
            sp->process();
            for (int k = 0; k < 441; ++k) {
                yi[at + k] = outInt->main[k];
                yf[at + k] = outFloat->main[k];
                worst = std::max(worst, std::abs(outInt->main[k] - outFloat->main[k]));
            }
        }
        // The integer variant rounds its coefficients to 2^-31 and its products down.
        EXPECT_LE(worst, 1 << 10) << freqs[t] << " Hz";
        const ToneAnalyzer analyzer(fs);
        const double gainIn = analyzer.amplitude(x.data() + settle, freqs[t]);
        const double gi = decibels(analyzer.amplitude(yi.data() + settle, freqs[t]) / gainIn);
        const double gf = decibels(analyzer.amplitude(yf.data() + settle, freqs[t]) / gainIn);
        EXPECT_NEAR(gf, bandPassGainDb(bf, double(freqs[t]), fs), 1e-4) << freqs[t];
        EXPECT_NEAR(gi, gf, 1e-3) << freqs[t];
        if (t < std::size(expectedDb)) {
            EXPECT_NEAR(gi, expectedDb[t], 0.06) << freqs[t];
        }
        bi->reset();
        bf->reset();
    }
}

TEST_F(Nodes, BandPassRestartsFromRestAfterSwitching) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* bp = make<VX_Effect_Bapass>(
        "VX_Effect_Bapass -i %o -o %o -q .618 -f %i -clock %i", in, out, 1000, 44100);
    const auto x = IntegerNoise(8).block(512, 1 << 28);
    fill(in, x);
    sp->process();
    const auto first = contents(out);
    bp->fx1 = 1.0; // the unused variant's state is cleared too
    VX_cmd("VX_Effect %o -on %i", bp, 0);
    sp->process();
    EXPECT_EQ(bp->state.x1 | bp->state.x2 | bp->state.y1 | bp->state.y2, 0);
    EXPECT_EQ(bp->fx1, 0.0);
    VX_cmd("VX_Effect %o -on %i", bp, 1);
    sp->process(); // fading in: the node's own output is in shadow
    EXPECT_EQ(std::vector<int32_t>(out->shadow, out->shadow + 512), first);
}

// An overshoot past the 32-bit range clips its sample with its own sign, in both arithmetics
// and in every mode (the plug-in subtracts the band-pass with "sub"). Without coefficients the
// section extrapolates 2 y1 - y2: 4.5e9 from these states.
TEST_F(Nodes, BandPassOvershootClipsInBothArithmetics) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* bp = make<VX_Effect_Bapass>("VX_Effect_Bapass -i %o -o %o", in, out);
    const struct {
        const char* mode;
        int32_t before, after;
    } cases[] = {{"set", 0, INT32_MAX},
                 {"add", 10, INT32_MAX},
                 {"sub", -10, INT32_MIN},
                 {"stn", 0, -INT32_MAX},
                 {"adn", 10, INT32_MIN},
                 {"sbn", -10, INT32_MAX}};
    for (const char* arithmetic : {"integer", "floating"})
        for (const auto& c : cases) {
            VX_cmd("%o -a %s -mode %s", bp, arithmetic, c.mode);
            bp->reset();
            bp->state.y1 = 1500000000;
            bp->state.y2 = -1500000000;
            bp->fy1 = 1.5e9;
            bp->fy2 = -1.5e9;
            out->main[0] = c.before;
            sp->process();
            EXPECT_EQ(out->main[0], c.after) << arithmetic << " " << c.mode;
        }
}

TEST_F(Nodes, CopyStepsAndBounds) {
    VX_Buffer* in = buffer(512);
    VX_Buffer* out = buffer(512);
    VX_Buffer* wide = buffer(1024);
    std::vector<int32_t> ramp(512);
    for (int i = 0; i < 512; ++i) ramp[i] = i + 1;
    fill(in, ramp);
    auto* copy = make<VX_Effect_Copy>("VX_Effect_Copy -i %o -o %o -is %i", in, out, 2);
    sp->process(); // every other input sample to the start of the output
    EXPECT_EQ(out->main[0], 1);
    EXPECT_EQ(out->main[255], 511);
    EXPECT_EQ(out->main[256], 0);

    int step = 0;
    VX_cmd("%o -is %i -os %i -o %o -os", copy, 1, 2, wide, &step);
    EXPECT_EQ(step, 2);
    sp->process(); // all 512 into every other sample of a buffer that holds them
    EXPECT_EQ(wide->main[0], 1);
    EXPECT_EQ(wide->main[1], 0);
    EXPECT_EQ(wide->main[1022], 512);
    VX_cmd("%o -o %o", copy, out);
    std::fill(out->main, out->main + 512, 0);
    sp->process(); // the same into 512 samples: only the 256 that fit
    EXPECT_EQ(out->main[510], 256);
    EXPECT_EQ(out->main[511], 0);

    // A zero output step lands every sample on the first; a zero or negative input step and
    // a negative output step copy nothing rather than divide by zero or write before the start.
    VX_cmd("%o -is %i -os %i -mode add", copy, 1, 0);
    out->main[0] = 0;
    sp->process();
    EXPECT_EQ(out->main[0], 512 * 513 / 2);
    for (auto steps : {std::pair{0, 1}, std::pair{-1, 1}, std::pair{1, -1}}) {
        VX_cmd("%o -is %i -os %i -mode set", copy, steps.first, steps.second);
        std::fill(out->main, out->main + 512, -3);
        sp->process();
        EXPECT_EQ(contents(out), std::vector<int32_t>(512, -3));
    }
}

TEST_F(Nodes, CopyOntoItself) {
    VX_Buffer* b = buffer();
    auto* copy = make<VX_Effect_Copy>("VX_Effect_Copy -i %o -o %o", b, b);
    fill(b, std::vector<int32_t>(512, 21));
    sp->process();
    EXPECT_EQ(contents(b), std::vector<int32_t>(512, 21));
    VX_cmd("%o -mode add", copy);
    sp->process();
    EXPECT_EQ(contents(b), std::vector<int32_t>(512, 42));
}

TEST_F(Nodes, OperCombinesTwoBuffers) {
    VX_Buffer* a = buffer();
    VX_Buffer* b = buffer();
    VX_Buffer* out = buffer();
    auto* op = make<VX_Effect_Oper>("VX_Effect_Oper -i1 %o -i2 %o -o %o", a, b, out);
    fill(a, std::vector<int32_t>(512, 0x40000000));
    fill(b, std::vector<int32_t>(512, 0x40000000));
    sp->process();
    EXPECT_EQ(out->main[0], INT32_MAX); // add saturates

    const char* name = nullptr;
    VX_cmd("%o -oper sub -oper", op, &name);
    EXPECT_STREQ(name, "sub");
    fill(a, std::vector<int32_t>(512, -0x40000000));
    fill(b, std::vector<int32_t>(512, 0x40000001));
    sp->process();
    EXPECT_EQ(out->main[0], INT32_MAX); // sub wraps

    VX_cmd("%o -oper div -mode add", op);
    fill(b, std::vector<int32_t>(512, 0));
    fill(out, std::vector<int32_t>(512, 1));
    sp->process(); // divisor 0 counts as 1: no trap
    EXPECT_EQ(out->main[0], INT32_MIN + 1);
    VX_cmd("%o -oper modulo -oper", op, &name);
    EXPECT_STREQ(name, "div");
    EXPECT_EQ(op->operation, VX_OPER_DIV);
}

TEST_F(Nodes, KoefScalesItsConstant) {
    VX_Buffer* in = buffer();
    VX_Buffer* out = buffer();
    auto* koef = make<VX_Effect_Koef>("VX_Effect_Koef -i %o -o %o -oper mul", in, out);
    const struct {
        double value;
        int32_t k;
    } scaled[] = {{1.0, 16909320},
                  {0.5, 8454660},
                  {-1.0, -16909320},
                  {0.0, 0},
                  {126.99, 2147314518},
                  {127.0, INT32_MAX},
                  {-127.0, INT32_MIN},
                  {1e9, INT32_MAX}};
    int k = 0;
    for (const auto& s : scaled) {
        VX_cmd("%o -k %f -k", koef, s.value, &k);
        EXPECT_EQ(k, s.k) << s.value;
    }
    VX_cmd("%o -k %i -k", koef, 1, &k); // an integer is taken as a float
    EXPECT_EQ(k, 16909320);
    VX_cmd("%o -k %f", koef, std::nan(""));
    EXPECT_EQ(koef->k, 0);

    // "mul" by 1.0 scales by 16909320 / 2^24, a little more than 1.
    VX_cmd("%o -k %f", koef, 1.0);
    fill(in, std::vector<int32_t>(512, 0x01000000));
    sp->process();
    EXPECT_EQ(out->main[0], 16909320);
    VX_cmd("%o -oper sub", koef);
    sp->process();
    EXPECT_EQ(out->main[0], 0x01000000 - 16909320);
}

TEST_F(Nodes, ZeroClearsItsOutput) {
    VX_Buffer* out = buffer();
    make<VX_Effect_Zero>("VX_Effect_Zero -o %o -mode add", out);
    fill(out, std::vector<int32_t>(512, 77));
    sp->process();
    EXPECT_EQ(contents(out), std::vector<int32_t>(512, 0));
    VX_cmd("%o -l %i", out, 0);
    sp->process(); // an empty buffer: nothing to do
}

} // namespace
