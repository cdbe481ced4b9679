// Odd sample rates and block sizes, long silence after noise, and input no host should send.
#include "torture.h"

#include "plugin/highpass_law.h"
#include "tools/vsthost/response.h"

#include <cmath>
#include <limits>

namespace {

const double sampleRates[] = {8000, 22050, 44100, 48000, 96000, 192000, 1234.5678};
const int32_t blockSizes[] = {1, 17, 64, 512, 513, 2027, 4096, 16384};

// The effect discretises its filters with first-order accurate methods, so its response
// departs from the analogue ideal in proportion to cutoff / sample rate (about 0.6 dB at
// 1000 Hz and 44.1 kHz). Allowed: 0.25 dB plus 30 dB times that ratio, checked from half the
// cutoff to four times the cutoff where the cutoff is at most a twentieth of the sample rate.
constexpr double cutoffRatioChecked = 1.0 / 20;
double gainTolerance(double cutoff, double rate) {
    return 0.25 + 30.0 * cutoff / rate;
}

// 1.32e-4 is the most the effect may leave in its output in silence (its fixed-point filters
// come to rest within a few units of their 2^30 scale).
constexpr float silenceLimit = 1.32e-4f;

// The peak of the output from 1 s to 1.1 s after the end of `in`, silence after it: where the
// filters have come to rest. Their rounding leaves a small offset after any signal.
float peakOneSecondAfter(Plugin& plugin, std::vector<float> in, double rate, BlockSchedule schedule,
                         SignalStats* stats) {
    const size_t from = in.size() + static_cast<size_t>(rate);
    in.resize(from + static_cast<size_t>(rate / 10), 0.0f);
    const std::vector<float> out = process(plugin, in, schedule, stats);
    SignalStats rest;
    rest.add(out.data() + from, out.size() - from);
    return rest.peak;
}

} // namespace

void checkRatesAndBlockSizes(TortureContext& context, CheckReport& report) {
    report.line("rate Hz     block  cutoff Hz  worst |measured - ideal| dB (allowed)   output");
    bool allClean = true, allWithin = true;
    for (double rate : sampleRates)
        for (int32_t block : blockSizes) {
            std::string error;
            auto plugin = startEffect(context.module, rate, block, error);
            if (!plugin) {
                report.expect(false, error);
                return;
            }
            const double cutoff = highpass_law::cutoffForNormalised(plugin->getParameter(1));
            SignalStats stats;
            process(*plugin,
                    whiteNoise(static_cast<size_t>(rate / 2), 0.5f, 3),
                    BlockSchedule::fixed(block),
                    &stats);
            std::string gains = "-";
            if (cutoff <= rate * cutoffRatioChecked) {
                EffectRunner runner(*plugin, BlockSchedule::fixed(block));
                response::Setup setup;
                setup.sampleRate = rate;
                setup.cutoffHz = cutoff;
                std::vector<double> hz;
                for (double f : {0.5, 1.0, 2.0, 4.0}) hz.push_back(f * cutoff);
                const auto points = response::measure(
                    [&](const float* in, float* out, size_t n) {
                        runner.run(in, out, nullptr, n);
                        stats.add(out, n);
                    },
                    hz,
                    setup);
                double worst = 0;
                for (const auto& p : points)
                    worst = std::fmax(worst, std::fabs(p.measuredDb - p.idealDb));
                const double allowed = gainTolerance(cutoff, rate);
                allWithin = allWithin && worst <= allowed;
                gains = format("%.3f (%.3f)%s", worst, allowed, worst <= allowed ? "" : " FAIL");
            }
            allClean = allClean && stats.clean();
            report.line(format("%-11.4f %5d  %9.2f  %-36s  %s",
                               rate,
                               block,
                               cutoff,
                               gains.c_str(),
                               stats.describe().c_str()));
        }
    report.expect(allClean, "every output finite and free of subnormal numbers");
    report.expect(allWithin,
                  "gain within tolerance of the ideal wherever the cutoff is at most "
                  "a twentieth of the sample rate");
}

void checkSilenceAndExtremeInput(TortureContext& context, CheckReport& report) {
    // Noise, then 20 s of silence: the filters must come to rest, without subnormal numbers.
    for (float knob : {0.0f, 0.1483f, 0.5f, 1.0f})
        for (double rate : {44100.0, 48000.0}) {
            std::string error;
            auto plugin = startEffect(context.module, rate, 512, error);
            if (!plugin) {
                report.expect(false, error);
                return;
            }
            plugin->setParameter(1, knob);
            std::vector<float> in = whiteNoise(static_cast<size_t>(2 * rate), 1.0f, 11);
            in.resize(in.size() + static_cast<size_t>(20 * rate), 0.0f);
            SignalStats all;
            const std::vector<float> out = process(*plugin, in, BlockSchedule::fixed(512), &all);
            SignalStats afterFirstSecond, lastSecond;
            const size_t silence = static_cast<size_t>(2 * rate);
            const size_t settled = silence + static_cast<size_t>(rate);
            afterFirstSecond.add(out.data() + settled, out.size() - settled);
            lastSecond.add(out.data() + out.size() - static_cast<size_t>(rate),
                           static_cast<size_t>(rate));
            report.expect(all.clean() && afterFirstSecond.peak <= silenceLimit,
                          format("cutoff %.1f Hz at %.0f Hz: silence after noise peaks at %.3g "
                                 "after 1 s, %.3g in the last second (limit %.3g); %s",
                                 highpass_law::cutoffForNormalised(knob),
                                 rate,
                                 static_cast<double>(afterFirstSecond.peak),
                                 static_cast<double>(lastSecond.peak),
                                 static_cast<double>(silenceLimit),
                                 all.describe().c_str()));
        }

    // Input no host should send: it must still give finite, bounded output.
    using limits = std::numeric_limits<float>;
    struct Case {
        const char* name;
        float (*sample)(size_t i);
    };
    const Case cases[] = {
        {"subnormal input", [](size_t i) { return (i & 1 ? 1 : -1) * 1e-40f * (i % 7); }},
        {"NaN input", [](size_t) { return limits::quiet_NaN(); }},
        {"NaN bursts in noise", [](size_t i) { return i % 100 < 3 ? limits::quiet_NaN() : 0.3f; }},
        {"infinite input",
         [](size_t i) { return i % 2 ? limits::infinity() : -limits::infinity(); }},
        {"full-scale square, 50 Hz", [](size_t i) { return (i / 480) % 2 ? 1.0f : -1.0f; }},
        {"full-scale square, 12 kHz", [](size_t i) { return (i / 2) % 2 ? 1.0f : -1.0f; }},
        {"largest floats", [](size_t i) { return i % 3 ? limits::max() : -limits::max(); }},
    };
    // After any of it the filters must come to rest within one second, no further from zero
    // than four times where half-scale noise leaves them (or 16 units of the 2^30 scale, where
    // that is a unit or two): full-scale edges overshoot inside the fixed-point graph, and an
    // overshoot that wrapped around would keep them oscillating at full scale.
    const double rate = 48000;
    for (float knob : {0.0f, 0.1483f, 1.0f}) {
        std::string error;
        auto reference = startEffect(context.module, rate, 512, error);
        if (!reference) {
            report.expect(false, error);
            return;
        }
        reference->setParameter(1, knob);
        const float rest = peakOneSecondAfter(*reference,
                                              whiteNoise(static_cast<size_t>(rate), 0.5f, 12),
                                              rate,
                                              BlockSchedule::fixed(512),
                                              nullptr);
        const float allowed = std::fmax(4 * rest, 16.0f / 1073741824.0f);
        for (const Case& c : cases) {
            auto plugin = startEffect(context.module, rate, 512, error);
            if (!plugin) {
                report.expect(false, error);
                return;
            }
            plugin->setParameter(1, knob);
            std::vector<float> in(96000);
            for (size_t i = 0; i < in.size(); ++i) in[i] = c.sample(i);
            SignalStats stats;
            const float settled =
                peakOneSecondAfter(*plugin, in, rate, BlockSchedule::random(700, 5), &stats);
            // A high-pass of a full-scale step overshoots to at most twice full scale.
            report.expect(stats.nonFinite == 0 && stats.peak <= 2.5f && settled <= allowed,
                          format("%s, cutoff %.1f Hz: %s; 1 s after it %.3g (allowed %.3g)",
                                 c.name,
                                 highpass_law::cutoffForNormalised(knob),
                                 stats.describe().c_str(),
                                 static_cast<double>(settled),
                                 static_cast<double>(allowed)));
        }
    }
}
