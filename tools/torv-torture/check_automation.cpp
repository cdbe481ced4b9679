// Parameter changes as fast as hosts send them, with values at and beyond the ends of the range,
// and the texts the host reads meanwhile.
#include "torture.h"

#include "tools/vsthost/response.h"

#include <cmath>
#include <limits>

namespace {

const float notANumber = std::numeric_limits<float>::quiet_NaN();
const float automationValues[] = {0.0f,
                                  1.0f,
                                  0.5f,
                                  -0.5f,
                                  1.5f,
                                  notANumber,
                                  0.25f,
                                  -1e30f,
                                  1e30f,
                                  std::numeric_limits<float>::infinity(),
                                  0.999f,
                                  1e-30f};

struct TextCheck {
    size_t queries = 0, unterminated = 0, overruns = 0;
    void query(Plugin& p, VstInt32 opcode, VstInt32 index) {
        const Plugin::Text t = p.queryText(opcode, index, kVstMaxParamStrLen);
        ++queries;
        unterminated += !t.terminated;
        overruns += t.overran;
    }
};

} // namespace

void checkParameterAutomation(TortureContext& context, CheckReport& report) {
    for (int32_t interval : {512, 32, 10, 1}) {
        std::string error;
        auto plugin = startEffect(context.module, 48000, 512, error);
        if (!plugin) {
            report.expect(false, error);
            return;
        }
        const std::vector<float> in = whiteNoise(96000, 0.8f, 31);
        std::vector<float> left(in.size()), right(in.size());
        EffectRunner runner(*plugin, BlockSchedule::fixed(512));
        SignalStats stats;
        TextCheck texts;
        size_t changes = 0, badReadBack = 0;
        for (size_t done = 0; done < in.size(); done += interval, ++changes) {
            const VstInt32 index = changes % 4 == 3 ? 0 : 1; // mostly Frequency, now and then State
            const float value = automationValues[changes % std::size(automationValues)];
            plugin->setParameter(index, value);
            badReadBack += !std::isfinite(plugin->getParameter(index));
            if (changes % 16 == 0)
                for (VstInt32 p = 0; p < 2; ++p) {
                    texts.query(*plugin, effGetParamDisplay, p);
                    texts.query(*plugin, effGetParamLabel, p);
                    texts.query(*plugin, effGetParamName, p);
                }
            const size_t n = std::min<size_t>(interval, in.size() - done);
            runner.run(in.data() + done, left.data() + done, right.data() + done, n);
        }
        stats.addStereo(left.data(), right.data(), left.size());
        // Back to sane settings, the effect must come back to normal output.
        plugin->setParameter(0, 1.0f);
        plugin->setParameter(1, 0.5f);
        SignalStats recovered;
        const std::vector<float> tail = process(*plugin, in, BlockSchedule::fixed(512));
        recovered.add(tail.data() + 48000, tail.size() - 48000);
        report.expect(stats.nonFinite == 0 && texts.unterminated == 0 && texts.overruns == 0 &&
                          badReadBack == 0 && recovered.peak <= 2.0f,
                      format("a change every %d samples (%zu changes): %s; %zu texts read, %zu "
                             "unterminated, %zu overran; %zu non-finite read-backs; peak %.3g "
                             "once settings are sane again",
                             interval,
                             changes,
                             stats.describe().c_str(),
                             texts.queries,
                             texts.unterminated,
                             texts.overruns,
                             badReadBack,
                             static_cast<double>(recovered.peak)));
    }
    // What the displays show for the ends and beyond.
    std::string error;
    auto plugin = startEffect(context.module, 48000, 512, error);
    std::string shown;
    for (float v : {0.0f, 1.0f, -0.5f, 1.5f, notANumber}) {
        plugin->setParameter(1, v);
        shown +=
            format(" %g -> \"%s\"", static_cast<double>(v), plugin->parameterDisplay(1).c_str());
    }
    report.line("Frequency display:" + shown);
}
