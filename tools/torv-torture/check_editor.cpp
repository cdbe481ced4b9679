// The editor as hosts treat it: opened and closed many times, opened twice, left open when the
// effect is closed, two instances' editors at once, and automation from another thread while
// the mouse drags. Whatever the editor makes (GDI objects, windows, heap) must be gone again
// afterwards, and automation with the editor open must neither allocate, nor wait, nor paint.
#include "call_counter.h"
#include "editor_host.h"
#include "process_stats.h"
#include "torture.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr int openCloseCycles = 100;
constexpr int editorLoadCycles = 20;
constexpr int realtimeChanges = 1000;
// Heap that may stay behind after everything was closed: what the runtime caches on first use.
constexpr int64_t heapTolerance = 64 * 1024;
// Handles the system may keep a while after threads and windows have gone (as the lifecycle
// check allows).
constexpr int64_t handleTolerance = 4;
// The knob's centre in the editor.
constexpr int knobX = 103, knobY = 158;

struct EditorSession {
    std::unique_ptr<Plugin> plugin;
    void* parent = nullptr;
};

bool openEditor(Plugin& p, void* parent) {
    ERect* rect = nullptr;
    return p.dispatch(effEditGetRect, 0, 0, &rect) == 1 && rect && rect->right == 210 &&
           rect->bottom == 236 && p.dispatch(effEditOpen, 0, 0, parent) == 1;
}

std::string describe(const CallCounts& c) {
    return format("%llu allocations, %llu frees, %llu locks, %llu paints",
                  static_cast<unsigned long long>(c.allocations),
                  static_cast<unsigned long long>(c.frees),
                  static_cast<unsigned long long>(c.locks),
                  static_cast<unsigned long long>(c.paints));
}

// A host that opens a plug-in's editor and later drops the plug-in: loaded, editor opened and
// closed, unloaded, many times on the one window's thread. What that thread was given on the
// way (by the module or the runtime linked into it) must go with the module.
void editorAcrossLoads(TortureContext& context, void* parent, CheckReport& report) {
    context.module.reset(); // the checks' own reference would keep the module loaded
    std::string error;
    ProcessStats before;
    for (int i = 0; i <= editorLoadCycles; ++i) {
        auto module = Module::load(context.modulePath, error);
        auto p = module ? startEffect(module, 48000, 512, error) : nullptr;
        if (!p || !openEditor(*p, parent)) {
            report.expect(false, format("load/edit/unload cycle %d: %s", i, error.c_str()));
            break;
        }
        pumpWindowMessages(5);
        p->dispatch(effEditClose);
        p.reset();
        module.reset();
        if (i == 0) before = processStats(); // after the first, which sets up runtime caches
    }
    const ProcessStats after = processStats();
    if (before.handles >= 0 && after.handles >= 0)
        report.expect(after.handles - before.handles <= handleTolerance,
                      format("%d loads with the editor opened: handles %lld -> %lld (allowed "
                             "+%lld)",
                             editorLoadCycles,
                             static_cast<long long>(before.handles),
                             static_cast<long long>(after.handles),
                             static_cast<long long>(handleTolerance)));
    context.module = Module::load(context.modulePath, error);
}

// Host automation on another thread, counted on that thread alone; the window's thread does
// nothing meanwhile.
void automationIsRealtimeSafe(Plugin& p, const char* editor, CheckReport& report) {
    CallCounts counts;
    std::thread host([&] {
        call_counter::reset();
        call_counter::enableForThisThread();
        for (int k = 0; k < realtimeChanges; ++k) {
            p.setParameter(1, static_cast<float>(k % 100) / 99);
            if (k % 10 == 0) p.setParameter(0, k % 20 ? 1.0f : 0.0f);
        }
        call_counter::enable(false);
        counts = call_counter::counts();
    });
    host.join();
    p.setParameter(0, 1.0f);
    report.expect(counts.allocations == 0 && counts.frees == 0 && counts.locks == 0 &&
                      counts.paints == 0,
                  format("%d parameter changes from another thread with the editor %s: %s",
                         realtimeChanges + realtimeChanges / 10,
                         editor,
                         describe(counts).c_str()));
}

// A value every millisecond from another thread while the window's thread drags the knob and
// paints, for `seconds`.
void automationWhileDragging(Plugin& p, void* parent, double seconds, CheckReport& report) {
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread host([&] {
        for (int k = 0; !stop; ++k) {
            p.setParameter(1, static_cast<float>(k % 997) / 996);
            if (k % 250 == 0) p.setParameter(0, k % 500 ? 0.0f : 1.0f);
            ++sent;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    int drags = 0;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() <
           seconds) {
        drags += dragInEditor(parent, knobX, knobY, drags % 2 ? -40 : 40);
        pumpWindowMessages(5);
    }
    stop = true;
    host.join();
    p.setParameter(0, 1.0f);
    pumpWindowMessages(50);
    report.expect(sent > 0,
                  format("automation every ms for %.1f s: %d values while the window's thread "
                         "made %d drags and painted; no deadlock",
                         seconds,
                         sent.load(),
                         drags));
}

} // namespace

void checkEditor(TortureContext& context, CheckReport& report) {
    std::string how, error;
    if (!call_counter::install(*context.module, how, error)) {
        report.expect(false, "cannot count calls: " + error);
        return;
    }
    void* parents[2] = {makeParentWindow(0), makeParentWindow(1)};
    if (!parents[0] || !parents[1]) {
        report.expect(false, "no window for the editor to open in (no display?)");
        return;
    }
    // Once before measuring: the window class, fonts and the runtime's first-use caches.
    {
        auto p = startEffect(context.module, 48000, 512, error);
        if (!p || !openEditor(*p, parents[0])) {
            report.expect(false, "the editor does not open: " + error);
            return;
        }
        pumpWindowMessages(20);
        p->dispatch(effEditClose);
    }
    // Automation from another thread, closed and open, counted on that thread alone.
    {
        auto q = startEffect(context.module, 48000, 512, error);
        if (q) automationIsRealtimeSafe(*q, "closed", report);
        if (q && openEditor(*q, parents[0])) {
            pumpWindowMessages(20);
            automationIsRealtimeSafe(*q, "open", report);
            q->dispatch(effEditClose);
        } else {
            report.expect(false, "the editor does not open for automation: " + error);
        }
    }
    pumpWindowMessages(20);
    const ProcessStats before = processStats();
    const int64_t gdiBefore = gdiObjects(), userBefore = userObjects();
    call_counter::reset();
    call_counter::enable(true);

    auto p = startEffect(context.module, 48000, 512, error);
    int opened = 0;
    for (int k = 0; k < openCloseCycles; ++k) {
        opened += openEditor(*p, parents[0]);
        pumpWindowMessages(0);
        p->dispatch(effEditClose);
    }
    report.expect(opened == openCloseCycles,
                  format("open and close %d times: %d opened", openCloseCycles, opened));

    const bool twice = openEditor(*p, parents[0]) && openEditor(*p, parents[0]);
    const int children = childWindows(parents[0]);
    report.expect(twice && children <= 1,
                  format("effEditOpen twice without a close: %s, %d editor window(s) in the "
                         "parent",
                         twice ? "both opened" : "FAILED",
                         children));
    pumpWindowMessages(10);
    p->close(); // with the editor open
    p.reset();
    pumpWindowMessages(10);
    report.expect(childWindows(parents[0]) <= 0,
                  format("effClose with the editor open: %d editor window(s) left in the parent",
                         childWindows(parents[0])));

    EditorSession two[2];
    bool both = true;
    for (int i = 0; i < 2; ++i) {
        two[i].plugin = startEffect(context.module, 48000, 512, error);
        both = both && two[i].plugin && openEditor(*two[i].plugin, parents[i]);
    }
    if (both) {
        two[0].plugin->setParameter(1, 0.0f);
        two[1].plugin->setParameter(1, 1.0f);
        pumpWindowMessages(20);
        dragInEditor(parents[0], knobX, knobY, 30);
        dragInEditor(parents[1], knobX, knobY, -30);
        pumpWindowMessages(20);
    }
    const float first = both ? two[0].plugin->getParameter(1) : -1;
    const float second = both ? two[1].plugin->getParameter(1) : -1;
    report.expect(both && first < 0.5f && second > 0.5f,
                  format("two instances' editors at once: %s; their knobs at %.3f and %.3f",
                         both ? "both open" : "FAILED",
                         static_cast<double>(first),
                         static_cast<double>(second)));
    for (EditorSession& s : two)
        if (s.plugin) s.plugin->dispatch(effEditClose);
    for (EditorSession& s : two) s.plugin.reset();

    {
        // Automation every ms while the window's thread drags and paints.
        auto q = startEffect(context.module, 48000, 512, error);
        if (q && openEditor(*q, parents[0])) {
            automationWhileDragging(*q, parents[0], context.editorSeconds, report);
            q->dispatch(effEditClose);
        } else {
            report.expect(false, "the editor does not open for automation: " + error);
        }
    }
    pumpWindowMessages(20);
    call_counter::enable(false);
    const CallCounts made = call_counter::counts();
    const ProcessStats after = processStats();
    const int64_t gdiAfter = gdiObjects(), userAfter = userObjects();
    editorAcrossLoads(context, parents[0], report);
    destroyParentWindow(parents[0]);
    destroyParentWindow(parents[1]);

    report.expect(made.gdiMade == made.gdiFreed && made.windowsMade == made.windowsFreed,
                  format("the module made %llu GDI objects and deleted %llu, made %llu windows "
                         "and destroyed %llu",
                         static_cast<unsigned long long>(made.gdiMade),
                         static_cast<unsigned long long>(made.gdiFreed),
                         static_cast<unsigned long long>(made.windowsMade),
                         static_cast<unsigned long long>(made.windowsFreed)));
    if (gdiBefore > 0 || userBefore > 0)
        report.expect(gdiAfter == gdiBefore && userAfter == userBefore,
                      format("GDI objects %lld -> %lld, USER objects %lld -> %lld",
                             static_cast<long long>(gdiBefore),
                             static_cast<long long>(gdiAfter),
                             static_cast<long long>(userBefore),
                             static_cast<long long>(userAfter)));
    else
        report.line("GDI and USER object counts: not reported by this system");
    if (before.handles >= 0 && after.handles >= 0)
        report.expect(after.handles - before.handles <= handleTolerance,
                      format("handles %lld -> %lld (allowed +%lld)",
                             static_cast<long long>(before.handles),
                             static_cast<long long>(after.handles),
                             static_cast<long long>(handleTolerance)));
    if (before.heapBytes >= 0 && after.heapBytes >= 0)
        report.expect(after.heapBytes - before.heapBytes <= heapTolerance,
                      format("heap %.1f KiB -> %.1f KiB (%+.1f KiB; allowed +%.0f KiB, %s)",
                             static_cast<double>(before.heapBytes) / 1024,
                             static_cast<double>(after.heapBytes) / 1024,
                             static_cast<double>(after.heapBytes - before.heapBytes) / 1024,
                             static_cast<double>(heapTolerance) / 1024,
                             heapMeasure()));
}
