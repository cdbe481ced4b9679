// What a host's plug-in scan costs: the module loaded, the effect created through its entry
// point, opened, closed, and the module unloaded, as a DAW does for every plug-in it finds when
// it starts. The torture suite checks that scanning works; this measures how long it takes (the
// goal is well under 5 ms a scan). The module's own trace lines are kept off the report.
#include "tools/vsthost/console.h"
#include "tools/vsthost/module.h"
#include "tools/vsthost/plugin_host.h"

#include <benchmark/benchmark.h>

#include <string>

#ifndef TORV_MODULE
#error "TORV_MODULE (the path of the plug-in module) must be defined"
#endif

namespace {

void BM_plugin_scan(benchmark::State& state) {
    std::string error;
    StdoutMute mute;
    for (auto _ : state) {
        std::shared_ptr<Module> module = Module::load(TORV_MODULE, error);
        std::unique_ptr<Plugin> plugin = module ? Plugin::create(module, error) : nullptr;
        if (!plugin) {
            state.SkipWithError(error.c_str());
            break;
        }
        plugin->open();
        plugin->close();
        plugin.reset();
        module.reset();
    }
}

} // namespace

BENCHMARK(BM_plugin_scan)->Unit(benchmark::kMillisecond)->MinTime(0.5);

BENCHMARK_MAIN();
