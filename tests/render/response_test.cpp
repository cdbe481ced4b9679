// The response analysis: frequency lists, the sine fit, the burst measurement against a digital
// filter whose exact response is known, and the report formats. (The ideal curve and the cutoff
// law are the effect's own: tests/plugin/law_test.cpp.)
#include "tools/vsthost/response.h"

#include "plugin/highpass_law.h"
#include "tools/torv-render/svg_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

namespace {

// A third-order Butterworth high-pass by the bilinear transform (one first-order and one
// second-order section, in double precision), with its exact response on the unit circle.
class DigitalButterworth {
public:
    DigitalButterworth(double cutoff, double rate) {
        const double k = std::tan(std::numbers::pi * cutoff / rate);
        // First order: H(s) = s / (s + 1) at s = (1 - z^-1) / (k (1 + z^-1)).
        const double a0 = 1 + k;
        b1 = {1 / a0, -1 / a0};
        a1 = (k - 1) / a0;
        // Second order with Q = 1: H(s) = s^2 / (s^2 + s + 1).
        const double d = 1 + k + k * k;
        b2 = {1 / d, -2 / d, 1 / d};
        a2 = {2 * (k * k - 1) / d, (1 - k + k * k) / d};
    }
    float step(float x) {
        const double y1 = b1[0] * x + s1;
        s1 = b1[1] * x - a1 * y1;
        const double y = b2[0] * y1 + z1;
        z1 = b2[1] * y1 - a2[0] * y + z2;
        z2 = b2[2] * y1 - a2[1] * y;
        return static_cast<float>(y);
    }
    double exactDb(double hz, double rate) const {
        const std::complex<double> z1inv = std::polar(1.0, -2 * std::numbers::pi * hz / rate);
        const auto h1 = (b1[0] + b1[1] * z1inv) / (1.0 + a1 * z1inv);
        const auto h2 = (b2[0] + b2[1] * z1inv + b2[2] * z1inv * z1inv) /
                        (1.0 + a2[0] * z1inv + a2[1] * z1inv * z1inv);
        return 20 * std::log10(std::abs(h1 * h2));
    }

private:
    std::array<double, 2> b1;
    double a1;
    std::array<double, 3> b2;
    std::array<double, 2> a2;
    double s1 = 0, z1 = 0, z2 = 0;
};

} // namespace

TEST(ResponseMath, FrequencyLists) {
    const auto f = response::logSpaced(10, 10000, 4);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_DOUBLE_EQ(f[0], 10);
    EXPECT_NEAR(f[1], 100, 1e-9);
    EXPECT_NEAR(f[3], 10000, 1e-9);

    std::vector<double> out;
    std::string error;
    ASSERT_TRUE(response::parseFrequencies("log:20:20000:31", out, error)) << error;
    EXPECT_EQ(out.size(), 31u);
    ASSERT_TRUE(response::parseFrequencies("100,2515.5,8000", out, error)) << error;
    EXPECT_EQ(out, (std::vector<double>{100, 2515.5, 8000}));
    for (const char* bad : {"",
                            "100,,200",
                            "100,-5",
                            "abc",
                            "log:0:100:5",
                            "log:100:10:5",
                            "log:10:100:1",
                            "log:10:100",
                            "1e999",
                            "nan"}) {
        EXPECT_FALSE(response::parseFrequencies(bad, out, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(ResponseMeasure, SineFitIsExactForAnyWindow) {
    // 7.3 periods and an offset: a plain DFT bin would leak; the fit does not.
    std::vector<float> y(1000);
    const double cycles = 7.3 / 1000;
    for (size_t i = 0; i < y.size(); ++i)
        y[i] = static_cast<float>(0.25 * std::sin(2 * std::numbers::pi * cycles * i + 1.0) + 0.1);
    const auto fit = response::fitSine(y.data(), y.size(), cycles);
    EXPECT_NEAR(fit.amplitude, 0.25, 1e-7);
    EXPECT_NEAR(fit.offset, 0.1, 1e-7);
}

TEST(ResponseMeasure, BurstsMeasureAKnownFilterWellWithinATenthOfADecibel) {
    for (double cutoff : {20.0, 239.47897, 2515.0, 10000.0}) {
        SCOPED_TRACE(cutoff);
        const double rate = 44100;
        DigitalButterworth filter(cutoff, rate);
        response::Setup setup;
        setup.sampleRate = rate;
        setup.cutoffHz = cutoff;
        const auto hz = response::logSpaced(10, 20000, 19);
        const auto points = response::measure(
            [&](const float* in, float* out, size_t n) {
                for (size_t i = 0; i < n; ++i) out[i] = filter.step(in[i]);
            },
            hz,
            setup);
        ASSERT_EQ(points.size(), hz.size());
        for (const auto& p : points) {
            const double exact = filter.exactDb(p.hz, rate);
            if (exact > -60) EXPECT_NEAR(p.measuredDb, exact, 0.01) << p.hz << " Hz";
            if (exact > -100) EXPECT_NEAR(p.measuredDb, exact, 0.1) << p.hz << " Hz";
            EXPECT_DOUBLE_EQ(p.idealDb, highpass_law::butterworthDb(p.hz, cutoff));
        }
    }
}

TEST(ResponseReport, TableCsvAndPlot) {
    response::Setup setup;
    setup.cutoffHz = 2515;
    const std::vector<response::Point> points = {
        {100, -84.1, -84.0}, {2515, -3.0, -3.0103}, {20000, 0.0, -0.0001}};
    const std::string text = response::table(points, setup);
    EXPECT_NE(text.find("cutoff 2515.00 Hz"), std::string::npos) << text;
    EXPECT_NE(text.find("     2515.00       -3.000       -3.010        0.010"), std::string::npos)
        << text;
    EXPECT_EQ(response::csv(points).rfind("frequency_hz,measured_db,ideal_db,difference_db\n"
                                          "100,-84.1000,-84.0000,-0.1000\n2515,",
                                          0),
              0u);

    const std::string svg = svg::responsePlot(points, setup, "A & B <test>");
    EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    EXPECT_NE(svg.find("A &amp; B &lt;test&gt;"), std::string::npos);
    for (const char* label : {"Frequency (Hz)",
                              "Gain (dB)",
                              "measured (sine bursts)",
                              "ideal 3rd-order Butterworth high-pass",
                              "cutoff 2515.0 Hz",
                              ">1k<",
                              ">20k<",
                              ">-3 dB<"})
        EXPECT_NE(svg.find(label), std::string::npos) << label;
    EXPECT_EQ(svg::frequencyLabel(20), "20");
    EXPECT_EQ(svg::frequencyLabel(5000), "5k");
}
