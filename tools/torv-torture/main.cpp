// torv-torture: puts a VST 2.4 effect module through what hosts and plug-in validators do to it
// and prints the figures. Exit status 0 when every check passed.
#include "torture.h"

#include "tools/vsthost/console.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

struct Check {
    const char* key;
    const char* title;
    void (*run)(TortureContext&, CheckReport&);
    bool byDefault = true; // false: only when named by --only
};

const Check checks[] = {
    {"lifecycle",
     "1. create/close and load/unload cycles, many instances, leaks",
     checkLifecycleAndMemory},
    {"rates", "2. sample rates x block sizes", checkRatesAndBlockSizes},
    {"buffers", "3. empty, random and oversized blocks, shared buffers", checkBufferHandling},
    {"silence", "4. silence after noise, and extreme input", checkSilenceAndExtremeInput},
    {"automation", "5. parameter automation and host texts", checkParameterAutomation},
    {"order", "6. lifecycle oddities", checkLifecycleOddities},
    {"realtime", "7. no allocation and no lock while processing", checkRealtimeSafety},
    {"editor",
     "8. the editor: open/close, odd orders, two at once, automation while dragging, leaks",
     checkEditor,
     false},
};

// Whether `key` is one of the comma-terminated names in `list`.
bool listed(const std::string& list, const char* key) {
    size_t start = 0;
    for (size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1)
        if (list.compare(start, comma - start, key) == 0) return true;
    return false;
}

int usage(const char* why) {
    std::fprintf(stderr,
                 "torv-torture: %s\n\n"
                 "Usage: torv-torture [options] <module>\n"
                 "  --only <check>[,<check>...]  run only these: lifecycle, rates, buffers,\n"
                 "                               silence, automation, order, realtime, and\n"
                 "                               editor (not run otherwise; needs a display)\n"
                 "  --editor-seconds <s>         automation while dragging in the editor check\n"
                 "                               (default 2)\n"
                 "  --scan <cycles>              only scan the module that many times (load,\n"
                 "                               create, open, close, unload) and show the times\n"
                 "  --plugin-trace               let the module's own output through\n",
                 why);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TortureContext context;
    std::string only;
    int scanCycles = 0;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--only" || arg == "--scan" || arg == "--editor-seconds") && i + 1 == argc)
            return usage((arg + " needs a value").c_str());
        if (arg == "--only") {
            only = argv[++i];
            only += ',';
        } else if (arg == "--editor-seconds") {
            context.editorSeconds = std::atof(argv[++i]);
            if (!(context.editorSeconds > 0))
                return usage("--editor-seconds needs a positive time");
        } else if (arg == "--scan" && (scanCycles = std::atoi(argv[++i])) <= 0)
            return usage("--scan needs a positive count");
        else if (arg == "--scan")
            continue;
        else if (arg == "--plugin-trace")
            trace = true;
        else if (!arg.empty() && arg[0] == '-')
            return usage(("unknown option " + arg).c_str());
        else if (context.modulePath.empty())
            context.modulePath = arg;
        else
            return usage("more than one module given");
    }
    if (context.modulePath.empty()) return usage("no module given");

    std::string error;
    context.module = Module::load(context.modulePath, error);
    if (!context.module) {
        std::fprintf(stderr, "torv-torture: %s\n", error.c_str());
        return 1;
    }
    std::printf("torv-torture: %s\n", context.modulePath.c_str());
    std::fflush(stdout);

    int failed = 0, run = 0;
    auto runOne = [&](const char* title, auto&& body) {
        CheckReport report;
        const auto start = std::chrono::steady_clock::now();
        {
            StdoutMute mute(!trace);
            body(report);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("\n%s  [%s, %.1f s]\n%s",
                    title,
                    report.passed() ? "passed" : "FAILED",
                    seconds,
                    report.text().c_str());
        std::fflush(stdout);
        ++run;
        failed += !report.passed();
    };
    if (scanCycles > 0) {
        runOne("plug-in scan cost",
               [&](CheckReport& r) { measureScanCost(context, scanCycles, r); });
    } else {
        for (const Check& c : checks) {
            if (only.empty() ? !c.byDefault : !listed(only, c.key)) continue;
            runOne(c.title, [&](CheckReport& r) { c.run(context, r); });
        }
    }
    std::printf("\ntorv-torture: %d of %d checks passed\n", run - failed, run);
    return failed ? 1 : 0;
}
