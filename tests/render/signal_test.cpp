// The built-in test signal: its own arithmetic against the library's, its lengths and levels,
// the sweep's course, and the exact samples (the same on every platform).
#include "tools/torv-render/test_signal.h"
#include "tools/vsthost/render.h"
#include "tools/vsthost/response.h"

#include "support/golden.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

TEST(ExactMath, AgreesWithTheLibraryToTheLastBitsOrSo) {
    for (double x = -3.0; x < 3.0; x += 0.0137) {
        EXPECT_NEAR(exact::sin2pi(x), std::sin(2 * std::numbers::pi * x), 4e-15) << x;
        EXPECT_NEAR(exact::exp(x * 7) / std::exp(x * 7), 1.0, 4e-15) << x;
    }
    for (double x = 1e-3; x < 1e5; x *= 1.37) EXPECT_NEAR(exact::log(x), std::log(x), 4e-15) << x;
    EXPECT_EQ(exact::sin2pi(0.25), 1.0);
    EXPECT_EQ(exact::sin2pi(0.0), 0.0);
    EXPECT_EQ(exact::exp(0.0), 1.0);
    EXPECT_EQ(exact::log(1.0), 0.0);
}

TEST(TestSignal, LengthsLevelsAndTheCourseOfTheSweep) {
    TestSignal s;
    s.sampleRate = 44100;
    const auto x = s.generate();
    ASSERT_EQ(x.size(), 12u * 44100);
    ASSERT_EQ(s.sweepFrames(), 10u * 44100);
    float peak = 0;
    for (float v : x) peak = std::max(peak, std::fabs(v));
    EXPECT_LE(peak, 0.5f);
    EXPECT_GT(peak, 0.499f);
    // The instantaneous frequency at t is f0 (f1/f0)^(t/T): fit a sine there.
    for (double t : {1.0, 5.0, 9.0}) {
        const double hz = 20 * std::pow(1000.0, t / 10);
        const size_t at = static_cast<size_t>(t * 44100);
        const auto fit = response::fitSine(&x[at], 64, hz / 44100);
        EXPECT_NEAR(fit.amplitude, 0.5, 0.01) << t;
    }
    // Ramps at both ends of the sweep, then noise over the whole range.
    EXPECT_EQ(x[0], 0.0f);
    EXPECT_LT(std::fabs(x[s.sweepFrames() - 1]), 1e-6f);
    double sum = 0, sumSq = 0;
    for (size_t i = s.sweepFrames(); i < x.size(); ++i) {
        sum += x[i];
        sumSq += x[i] * x[i];
    }
    const double n = static_cast<double>(x.size() - s.sweepFrames());
    EXPECT_NEAR(sum / n, 0.0, 0.005);
    EXPECT_NEAR(std::sqrt(sumSq / n), 0.5 / std::sqrt(3.0), 0.005);
}

TEST(TestSignal, SweepEndsBelowHalfTheSampleRate) {
    TestSignal s;
    s.sampleRate = 8000;
    EXPECT_EQ(s.sweepEndHz(), 3600.0);
    EXPECT_NE(s.describe().find("20 Hz to 3600 Hz"), std::string::npos) << s.describe();
}

TEST(TestSignal, SamplesAreTheSameBitsOnEveryPlatform) {
    // Pinned from a native build; Windows x64 and 32-bit Windows must give the same sum.
    TestSignal s;
    const auto x = s.generate();
    Fnv1a sum;
    sum.add(x.data(), x.size());
    EXPECT_TRUE(golden::matches(sum.value(),
                                x,
                                0x02c84fb1febff7c3ull,
                                {0.0f,
                                 0.383654118f,
                                 0.0553852059f,
                                 -0.0245870017f,
                                 0.287291408f,
                                 -0.257194281f,
                                 0.104640469f,
                                 -0.472382545f,
                                 0.488062024f,
                                 -0.113408491f,
                                 -0.290022463f,
                                 0.481888711f,
                                 -0.47425878f,
                                 -0.218155146f,
                                 0.219003677f,
                                 -0.390188277f}));
}
