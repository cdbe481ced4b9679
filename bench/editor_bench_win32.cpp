// The editor of the real module on Windows: torv.dll loaded from its file, the editor opened in
// a top-level window of this program (run it on a display: under Wine, TORV_NEEDS_DISPLAY=1
// scripts/wine-run win64 ...). A full repaint of the 210 x 236 panel (compositing and one
// BitBlt per cell) and one step of the knob as host automation makes it (the knob's frame and
// the read-out, painted at once on the window's thread), and that step from another thread.
// Goals: under 1 ms and under 0.1 ms.
#include "plugin/VX_Main_Vst.h"

#include <benchmark/benchmark.h>

#include <windows.h>

#include <string>
#include <thread>

namespace {

VstIntPtr VST_CALL hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// One effect with its editor open, for every benchmark of the program.
struct OpenEditor {
    HMODULE module = nullptr;
    AEffect* effect = nullptr;
    HWND frame = nullptr;

    OpenEditor() {
        module = LoadLibraryA(TORV_MODULE);
        if (!module) return;
        auto main = reinterpret_cast<VstPluginMainProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "VSTPluginMain")));
        if (!main) return;
        effect = main(hostCallback);
        frame = CreateWindowExA(0,
                                "STATIC",
                                "torv editor bench",
                                WS_POPUP | WS_VISIBLE,
                                50,
                                50,
                                210,
                                236,
                                nullptr,
                                nullptr,
                                nullptr,
                                nullptr);
        if (!effect || !frame || effect->dispatcher(effect, effEditOpen, 0, 0, frame, 0) != 1)
            effect = nullptr;
    }
    // The effect object inside the module (its layout is this program's: same compiler, same
    // headers).
    VX_Main_Vst* app() const {
        return static_cast<VX_Main_Vst*>(static_cast<AudioEffect*>(effect->object));
    }
};

OpenEditor& editor() {
    static OpenEditor e;
    return e;
}

void BM_EditorFullRepaint(benchmark::State& state) {
    OpenEditor& e = editor();
    if (!e.effect) return state.SkipWithError("the editor did not open (no display?)");
    VX_Win* win = e.app()->window;
    for (auto _ : state) win->redraw(win->bounds());
    GdiFlush();
}
BENCHMARK(BM_EditorFullRepaint)->Unit(benchmark::kMicrosecond);

void BM_EditorKnobStep(benchmark::State& state) {
    OpenEditor& e = editor();
    if (!e.effect) return state.SkipWithError("the editor did not open (no display?)");
    // Two knob values one frame apart, 1500 Hz and the next frame up.
    const float a = (1500.0f - 20.0f) / 9980.0f, b = a + 1.0f / 264.0f;
    bool up = false;
    for (auto _ : state) {
        e.effect->setParameter(e.effect, 1, (up = !up) ? b : a);
    }
    GdiFlush();
}
BENCHMARK(BM_EditorKnobStep)->Unit(benchmark::kMicrosecond);

// The same step from a thread other than the window's, as most hosts automate: it only
// invalidates, and the window's thread paints later (not timed here).
void BM_EditorKnobStepElsewhere(benchmark::State& state) {
    OpenEditor& e = editor();
    if (!e.effect) return state.SkipWithError("the editor did not open (no display?)");
    const float a = (1500.0f - 20.0f) / 9980.0f, b = a + 1.0f / 264.0f;
    std::thread host([&] {
        bool up = false;
        for (auto _ : state) e.effect->setParameter(e.effect, 1, (up = !up) ? b : a);
    });
    host.join();
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}
BENCHMARK(BM_EditorKnobStepElsewhere)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
