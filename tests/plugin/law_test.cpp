// The parameter law: normalised value, knob value and cutoff with the effect's single-precision
// arithmetic, integer and switch parameters, the host texts, and the analogue prototype.
#include "plugin/highpass_law.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace law = highpass_law;

namespace {

TEST(HighpassLaw, CutoffFollowsTheSquareOfTheKnob) {
    EXPECT_EQ(law::cutoffForNormalised(0.5f), 2515.0f);
    EXPECT_EQ(law::cutoffForNormalised(0.0f), 20.0f);
    EXPECT_EQ(law::cutoffForNormalised(1.0f), 10000.0f);
    // The initial knob value of 1500 Hz.
    EXPECT_NEAR(law::cutoffForNormalised(1480.0f / 9980.0f), 239.47897f, 1e-3f);
    EXPECT_EQ(law::cutoff(law::initialKnobValue), 239.47897f);
    EXPECT_NEAR(law::cutoff(5000.0f), 2505.0f, 0.02f);
    // Normalised and knob values are each other's inverse at the worked points; an empty range
    // gives 0 instead of a division by zero.
    EXPECT_EQ(law::knobValue(0.5f), 5010.0f);
    EXPECT_EQ(law::normalised(5010.0f), 0.5f);
    EXPECT_EQ(law::normalised(7.0f, 3.0f, 3.0f), 0.0f);
    EXPECT_EQ(law::cutoff(7.0f, 3.0f, 3.0f), 3.0f);
}

TEST(HighpassLaw, IntegerAndSwitchParameters) {
    EXPECT_EQ(law::integerValue(0.5f, 20, 10000), 5010);
    EXPECT_EQ(law::integerValue(1.0f, 20, 10000), 10000);
    EXPECT_EQ(law::integerValue(0.0f, -5, 5), -5);
    // Beyond the 64-bit range the truncation gives 0, as every conversion of the effect.
    EXPECT_EQ(law::integerValue(1e30f, 0, 10), 0);
    EXPECT_FLOAT_EQ(law::integerNormalised(5010, 20, 10000), 4990.5f / 9981.0f);
    EXPECT_FALSE(law::switchValue(0.5f));
    EXPECT_TRUE(law::switchValue(0.51f));
}

std::string text(void (*write)(char*, size_t)) {
    char t[8];
    write(t, sizeof t);
    return t;
}

TEST(HighpassLaw, HostTextsAreCutToTheirRoom) {
    EXPECT_EQ(text([](char* t, size_t n) { law::displayFloat(t, n, 1500.0f, "Hz"); }), "1500.00");
    EXPECT_EQ(text([](char* t, size_t n) { law::displayFloat(t, n, 20.0f, ""); }), "20.0000");
    EXPECT_EQ(text([](char* t, size_t n) { law::displayInteger(t, n, 5010, "Hz"); }), "5010 Hz");
    EXPECT_EQ(text([](char* t, size_t n) { law::displayInteger(t, n, -3, nullptr); }), "-3");
    EXPECT_EQ(text([](char* t, size_t n) { law::displaySwitch(t, n, false); }), "Off");
    EXPECT_EQ(text([](char* t, size_t n) { law::labelSwitch(t, n, "On", "Off"); }), "On/Off");
    EXPECT_EQ(text([](char* t, size_t n) { law::readout(t, n, 239.47897f); }), "239 Hz");
    char untouched = '#';
    law::displaySwitch(&untouched, 0, true); // no room: nothing written
    EXPECT_EQ(untouched, '#');
}

TEST(HighpassLaw, TheReadOutRoundsTheCutoffToWholeHertz) {
    auto readout = [](float hz, size_t size = 16) {
        char t[16];
        law::readout(t, size, hz);
        return std::string(t);
    };
    EXPECT_EQ(readout(20.0f), "20 Hz");
    EXPECT_EQ(readout(2505.0f), "2505 Hz");
    EXPECT_EQ(readout(115.9f), "116 Hz");
    EXPECT_EQ(readout(10000.0f), "10000 Hz");
    EXPECT_EQ(readout(0.4f), "0 Hz");
    EXPECT_EQ(readout(20.5f), "20 Hz"); // ties to even, on every platform
    EXPECT_EQ(readout(21.5f), "22 Hz");
    EXPECT_EQ(readout(-3.0f), "-3 Hz");
    EXPECT_EQ(readout(10000.0f, 6), "10000"); // cut to its room
    EXPECT_EQ(readout(1e20f).substr(0, 5), "10000");
}

TEST(HighpassLaw, AnalogueButterworthPrototype) {
    EXPECT_NEAR(law::butterworthDb(1000, 1000), -3.0103, 1e-4);
    EXPECT_NEAR(law::butterworthPowerGain(1000, 1000), 0.5, 1e-15);
    // One octave below: 1/64 / (1 + 1/64); one decade below: very nearly -60 dB.
    EXPECT_NEAR(law::butterworthDb(500, 1000), 10 * std::log10(1.0 / 65), 1e-9);
    EXPECT_NEAR(law::butterworthDb(100, 1000), -60.0, 1e-5);
    EXPECT_NEAR(law::butterworthDb(10000, 1000), 0.0, 1e-5);
    // The deep stop band keeps its slope of 18 dB per octave.
    EXPECT_NEAR(law::butterworthDb(1, 1e4) - law::butterworthDb(2, 1e4), -18.0618, 1e-3);
}

} // namespace
