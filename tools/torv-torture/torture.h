// torv-torture: a plug-in module put through what hosts and validators do to it. Each check
// drives the module through the host library (tools/vsthost) and writes its figures into a report;
// a check fails when the effect crashes, leaks, blocks or produces a sample it should not.
#pragma once

#include "tools/vsthost/module.h"
#include "tools/vsthost/plugin_host.h"
#include "tools/vsthost/render.h"

#include <memory>
#include <string>
#include <vector>

struct TortureContext {
    std::string modulePath;
    std::shared_ptr<Module> module; // held by the checks that keep the module loaded
    double editorSeconds = 2.0;     // how long the editor check automates while dragging
};

// The figures of one check, and whether everything it expected held.
class CheckReport {
public:
    void line(const std::string& text) { text_ += "    " + text + "\n"; }
    // Records `text` with a verdict; a false `ok` fails the check.
    void expect(bool ok, const std::string& text);
    bool passed() const { return passed_; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
    bool passed_ = true;
};

// printf into a std::string.
#if defined(__MINGW32__)
std::string format(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
#endif

// Non-finite and subnormal samples and the peak of what an effect put out.
struct SignalStats {
    size_t samples = 0;
    size_t nonFinite = 0;
    size_t subnormal = 0;
    size_t channelsDiffer = 0; // samples where the two outputs are not the same bits
    float peak = 0.0f;
    void add(const float* x, size_t n);
    // Both outputs of a stereo block: they must carry the same signal.
    void addStereo(const float* left, const float* right, size_t n);
    bool clean() const { return nonFinite == 0 && subnormal == 0 && channelsDiffer == 0; }
    std::string describe() const;
};

// Uniform white noise in [-level, level), the same for a seed on every platform.
std::vector<float> whiteNoise(size_t n, float level, uint64_t seed);

// Runs `in` through a resumed effect and returns its left output; both outputs go into
// `stats`, which also counts where they differ.
std::vector<float> process(Plugin& plugin, const std::vector<float>& in, BlockSchedule schedule,
                           SignalStats* stats = nullptr);

// The checks, in the order they run.
void checkLifecycleAndMemory(TortureContext& context, CheckReport& report);
void checkRatesAndBlockSizes(TortureContext& context, CheckReport& report);
void checkBufferHandling(TortureContext& context, CheckReport& report);
void checkSilenceAndExtremeInput(TortureContext& context, CheckReport& report);
void checkParameterAutomation(TortureContext& context, CheckReport& report);
void checkLifecycleOddities(TortureContext& context, CheckReport& report);
void checkRealtimeSafety(TortureContext& context, CheckReport& report);
// Needs a display on Windows: run only when asked for ("--only editor").
void checkEditor(TortureContext& context, CheckReport& report);

// What a host's plug-in scan costs: load, create, effOpen, effClose, unload, `cycles` times.
void measureScanCost(TortureContext& context, int cycles, CheckReport& report);
