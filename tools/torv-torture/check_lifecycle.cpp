// Many lives of the effect and of the module in one process, many instances at once, and the
// memory and handles all of that leaves behind.
#include "process_stats.h"
#include "torture.h"

#include <chrono>

namespace {

constexpr int createCycles = 1000;
constexpr int loadCycles = 100;
constexpr int instances = 16;
// Growth allowed over the cycles. One leaked graph of the effect is over 12 KiB (three buffers
// of two 512-sample arrays), so a leak per cycle shows as megabytes; the allowance covers heap
// fragmentation and what the runtime caches on first use.
constexpr int64_t heapTolerance = 256 * 1024;
constexpr int64_t privateTolerance = 2 * 1024 * 1024;
constexpr int64_t handleTolerance = 4;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One life of an effect as a host gives it: create, start, process a block, stop, close.
bool oneLife(const std::shared_ptr<Module>& module, std::string& error) {
    auto plugin = startEffect(module, 48000, 512, error);
    if (!plugin) return false;
    std::vector<float> in = whiteNoise(512, 0.5f, 1);
    process(*plugin, in, BlockSchedule::fixed(512));
    plugin->suspend();
    plugin->close();
    return true;
}

// Compares what the process holds after `cycles` repetitions of something with before.
void compare(CheckReport& report, const char* what, int cycles, const ProcessStats& before,
             const ProcessStats& after) {
    const auto kib = [](int64_t b) { return static_cast<double>(b) / 1024.0; };
    if (before.heapBytes >= 0 && after.heapBytes >= 0)
        report.expect(after.heapBytes - before.heapBytes <= heapTolerance,
                      format("%s: heap %.1f KiB -> %.1f KiB (%+.1f KiB, %+.2f KiB per cycle; "
                             "allowed +%.0f KiB)",
                             what,
                             kib(before.heapBytes),
                             kib(after.heapBytes),
                             kib(after.heapBytes - before.heapBytes),
                             kib(after.heapBytes - before.heapBytes) / cycles,
                             kib(heapTolerance)));
    if (before.privateBytes >= 0 && after.privateBytes >= 0)
        report.expect(after.privateBytes - before.privateBytes <= privateTolerance,
                      format("%s: private memory %.1f MiB -> %.1f MiB (%+.1f KiB, allowed +%.0f "
                             "KiB)",
                             what,
                             kib(before.privateBytes) / 1024,
                             kib(after.privateBytes) / 1024,
                             kib(after.privateBytes - before.privateBytes),
                             kib(privateTolerance)));
    if (before.workingSet >= 0 && after.workingSet >= 0)
        report.line(format("%s: working set %.1f MiB -> %.1f MiB",
                           what,
                           kib(before.workingSet) / 1024,
                           kib(after.workingSet) / 1024));
    if (before.handles >= 0 && after.handles >= 0)
        report.expect(after.handles - before.handles <= handleTolerance,
                      format("%s: handles %lld -> %lld (allowed +%lld)",
                             what,
                             static_cast<long long>(before.handles),
                             static_cast<long long>(after.handles),
                             static_cast<long long>(handleTolerance)));
}

void loadUnloadCycles(TortureContext& context, CheckReport& report) {
    // The checks' own reference is dropped so that every cycle really loads and unloads.
    context.module.reset();
    std::string error;
    ProcessStats before;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i <= loadCycles; ++i) {
        auto module = Module::load(context.modulePath, error);
        if (!module || !oneLife(module, error)) {
            report.expect(false, "load/unload cycle " + std::to_string(i) + ": " + error);
            return;
        }
        module.reset();
        if (i == 0) before = processStats(); // after the first, which sets up runtime caches
    }
    report.line(format("%d load/unload cycles with one effect life each: %.3f s",
                       loadCycles,
                       secondsSince(start)));
    compare(report, "load/unload", loadCycles, before, processStats());
    context.module = Module::load(context.modulePath, error);
}

void createCloseCycles(TortureContext& context, CheckReport& report) {
    std::string error;
    oneLife(context.module, error); // first use of everything
    const ProcessStats before = processStats();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < createCycles; ++i)
        if (!oneLife(context.module, error)) {
            report.expect(false, "create/close cycle " + std::to_string(i) + ": " + error);
            return;
        }
    report.line(format("%d create/open/process/close cycles: %.3f s (%.3f ms each)",
                       createCycles,
                       secondsSince(start),
                       secondsSince(start) * 1000 / createCycles));
    compare(report, "create/close", createCycles, before, processStats());
}

void manyInstances(TortureContext& context, CheckReport& report) {
    std::string error;
    const size_t frames = 48000;
    std::vector<std::unique_ptr<Plugin>> effects;
    std::vector<std::vector<float>> inputs, together(instances);
    std::vector<BlockSchedule> schedules;
    std::vector<size_t> done(instances, 0);
    for (int i = 0; i < instances; ++i) {
        effects.push_back(startEffect(context.module, 48000, 1024, error));
        if (!effects.back()) {
            report.expect(false, "instance " + std::to_string(i) + ": " + error);
            return;
        }
        effects.back()->setParameter(1, static_cast<float>(i) / (instances - 1));
        effects.back()->setParameter(0, i % 5 == 4 ? 0.0f : 1.0f);
        inputs.push_back(whiteNoise(frames, 0.8f, 100 + i));
        schedules.push_back(BlockSchedule::random(1024, 7 + i));
        together[i].resize(frames);
    }
    // All alive at once, each advancing by its own random blocks, interleaved.
    std::vector<float> right(1024);
    for (bool busy = true; busy;) {
        busy = false;
        for (int i = 0; i < instances; ++i) {
            if (done[i] == frames) continue;
            const size_t n = std::min<size_t>(schedules[i].next(), frames - done[i]);
            float* in[1] = {inputs[i].data() + done[i]};
            float* out[2] = {together[i].data() + done[i], right.data()};
            effects[i]->processReplacing(in, out, static_cast<VstInt32>(n));
            done[i] += n;
            busy = true;
        }
    }
    effects.clear();
    int same = 0;
    for (int i = 0; i < instances; ++i) {
        auto alone = startEffect(context.module, 48000, 1024, error);
        alone->setParameter(1, static_cast<float>(i) / (instances - 1));
        alone->setParameter(0, i % 5 == 4 ? 0.0f : 1.0f);
        same += process(*alone, inputs[i], BlockSchedule::random(1024, 7 + i)) == together[i];
    }
    report.expect(same == instances,
                  format("%d instances alive at once, interleaved random blocks: %d of %d give "
                         "exactly a lone instance's output",
                         instances,
                         same,
                         instances));
}

} // namespace

void checkLifecycleAndMemory(TortureContext& context, CheckReport& report) {
    report.line(std::string("heap measured as ") + heapMeasure());
    loadUnloadCycles(context, report);
    if (!context.module) {
        report.expect(false, "the module no longer loads");
        return;
    }
    createCloseCycles(context, report);
    const ProcessStats before = processStats();
    manyInstances(context, report);
    compare(report, "16 instances", 1, before, processStats());
}
