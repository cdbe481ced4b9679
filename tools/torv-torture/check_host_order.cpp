// Hosts that call things in an unusual order, and whether processing stays real-time safe.
#include "call_counter.h"
#include "torture.h"

#include <algorithm>
#include <chrono>

namespace {

SignalStats runNoise(Plugin& plugin, size_t frames, int32_t block, uint64_t seed = 41) {
    SignalStats stats;
    process(plugin, whiteNoise(frames, 0.8f, seed), BlockSchedule::fixed(block), &stats);
    return stats;
}

void expectClean(CheckReport& report, const SignalStats& stats, const std::string& what) {
    report.expect(stats.clean() && stats.peak <= 2.5f, what + ": " + stats.describe());
}

} // namespace

void checkLifecycleOddities(TortureContext& context, CheckReport& report) {
    std::string error;
    {
        // Straight from the entry point: no effOpen, no rate, no block size, never resumed.
        auto plugin = Plugin::create(context.module, error);
        if (!plugin) {
            report.expect(false, error);
            return;
        }
        expectClean(report, runNoise(*plugin, 4800, 480), "processing right after creation");
    }
    {
        auto plugin = Plugin::create(context.module, error);
        plugin->open();
        plugin->setSampleRate(48000);
        plugin->setBlockSize(512);
        expectClean(report, runNoise(*plugin, 4800, 512), "processing before effMainsChanged 1");
        plugin->resume();
        plugin->resume();
        expectClean(report, runNoise(*plugin, 4800, 512), "resumed twice");
        plugin->suspend();
        plugin->suspend();
    }
    {
        auto plugin = startEffect(context.module, 48000, 512, error);
        SignalStats stats;
        for (int i = 0; i < 50; ++i) {
            process(*plugin, whiteNoise(5120, 0.8f, i), BlockSchedule::fixed(512), &stats);
            plugin->suspend();
            if (i % 3) plugin->resume();
        }
        expectClean(report, stats, "suspend/resume every 10 blocks (sometimes left suspended)");
    }
    {
        auto plugin = startEffect(context.module, 48000, 512, error);
        SignalStats stats;
        const double rates[] = {44100, 96000, 8000, 192000, 22050, 1234.5678, 48000};
        const int32_t blocks[] = {64, 4096, 1, 513, 16384, 17, 512};
        for (size_t i = 0; i < std::size(rates); ++i) {
            plugin->setSampleRate(rates[i]);
            plugin->setBlockSize(blocks[i]);
            process(*plugin, whiteNoise(20000, 0.8f, i), BlockSchedule::fixed(blocks[i]), &stats);
        }
        expectClean(report, stats, "sample rate and block size changed while resumed");
    }
    {
        auto plugin = startEffect(context.module, 48000, 512, error);
        runNoise(*plugin, 4800, 512);
        plugin->close(); // no effMainsChanged 0 first
        report.expect(true, "effClose while resumed, without suspending: no crash");
    }
    {
        auto plugin = Plugin::create(context.module, error);
        plugin->close();
        report.expect(true, "effClose straight after creation: no crash");
    }
}

void checkRealtimeSafety(TortureContext& context, CheckReport& report) {
    std::string how, error;
    if (!call_counter::install(*context.module, how, error)) {
        report.expect(false, "cannot count allocations: " + error);
        return;
    }
    report.line("counted: " + how);
    // The counter must see the module allocate where it certainly does: creating an effect.
    call_counter::reset();
    call_counter::enable(true);
    auto probe = Plugin::create(context.module, error);
    call_counter::enable(false);
    const CallCounts creation = call_counter::counts();
    probe.reset();
    report.expect(creation.allocations > 0,
                  format("creating an effect counts %llu allocations, %llu locks: the counter "
                         "sees the module",
                         static_cast<unsigned long long>(creation.allocations),
                         static_cast<unsigned long long>(creation.locks)));

    auto plugin = startEffect(context.module, 48000, 4096, error);
    const std::vector<float> in = whiteNoise(48000, 0.8f, 51);
    std::vector<float> left(4096), right(4096);
    BlockSchedule schedule = BlockSchedule::random(4096, 77);
    CallCounts total;
    size_t calls = 0, frames = 0;
    const auto start = std::chrono::steady_clock::now();
    // 60 s of audio at 48 kHz, with parameter changes between blocks as hosts send them.
    for (size_t second = 0; second < 60; ++second)
        for (size_t done = 0; done < in.size();) {
            const size_t n = std::min<size_t>(schedule.next(), in.size() - done);
            float* inputs[1] = {const_cast<float*>(in.data()) + done};
            float* outputs[2] = {left.data(), right.data()};
            if (calls % 7 == 0) plugin->setParameter(1, static_cast<float>(calls % 100) / 99);
            if (calls % 50 == 0) plugin->setParameter(0, calls % 100 ? 1.0f : 0.0f);
            call_counter::reset();
            call_counter::enable(true);
            plugin->processReplacing(inputs, outputs, static_cast<VstInt32>(n));
            call_counter::enable(false);
            const CallCounts c = call_counter::counts();
            total.allocations += c.allocations;
            total.frees += c.frees;
            total.locks += c.locks;
            ++calls;
            frames += n;
            done += n;
        }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    report.expect(total.allocations == 0 && total.frees == 0 && total.locks == 0,
                  format("%zu processReplacing calls, %zu frames (%.0f s of audio in %.2f s): "
                         "%llu allocations, %llu frees, %llu lock or wait calls",
                         calls,
                         frames,
                         frames / 48000.0,
                         seconds,
                         static_cast<unsigned long long>(total.allocations),
                         static_cast<unsigned long long>(total.frees),
                         static_cast<unsigned long long>(total.locks)));
}

void measureScanCost(TortureContext& context, int cycles, CheckReport& report) {
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::time_point a, Clock::time_point b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    };
    std::vector<double> total, load, effect, unload;
    std::string error;
    context.module.reset();
    for (int i = 0; i <= cycles; ++i) {
        const auto t0 = Clock::now();
        auto module = Module::load(context.modulePath, error);
        const auto t1 = Clock::now();
        std::unique_ptr<Plugin> plugin = module ? Plugin::create(module, error) : nullptr;
        if (!plugin) {
            report.expect(false, error);
            return;
        }
        plugin->open();
        plugin->close();
        plugin.reset();
        const auto t2 = Clock::now();
        module.reset();
        const auto t3 = Clock::now();
        if (i == 0) continue; // the first load also warms the file cache
        total.push_back(ms(t0, t3));
        load.push_back(ms(t0, t1));
        effect.push_back(ms(t1, t2));
        unload.push_back(ms(t2, t3));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::vector<double> sorted = total;
    std::sort(sorted.begin(), sorted.end());
    report.line(format("%d scans of load, create, effOpen, effClose, unload: min %.3f ms, median "
                       "%.3f ms, 90%% %.3f ms, max %.3f ms",
                       cycles,
                       sorted.front(),
                       median(total),
                       sorted[sorted.size() * 9 / 10],
                       sorted.back()));
    report.line(format("medians of the parts: load %.3f ms, create+effOpen+effClose %.3f ms, "
                       "unload %.3f ms",
                       median(load),
                       median(effect),
                       median(unload)));
    // The timings are figures, not verdicts: on shared cores they say little about the effect
    // (bench/scan_bench.cpp measures them). What must hold is that every scan worked, above,
    // and that the module loads again after them.
    context.module = Module::load(context.modulePath, error);
    report.expect(context.module != nullptr, "the module loads again after the scans");
}
