// The window on a real display: a top-level window parents a VX_Win_Win32 with a few widgets.
// What reaches the screen is compared with what the compositor computes, the mouse is the X
// server's (moved and pressed by xdotool), and another thread sends knob values while the
// window paints. Screenshots are kept beside the program (wid_display_*.png).
#include "display_support_win32.h"
#include "gdi_count_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace {

constexpr int W = 210, H = 236;
const char* const frameClass = "TorvWidgetTestFrame";

LRESULT CALLBACK frameProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

class WidgetWindow : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_GT(installGdiCounting(), 0);
        WNDCLASSA c{};
        c.lpfnWndProc = frameProc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        c.lpszClassName = frameClass;
        RegisterClassA(&c);
    }

    void SetUp() override {
        gdiCounts.windowThread = GetCurrentThreadId();
        // A top-level window without a frame, so that its client area is where it was put.
        frame = CreateWindowExA(0,
                                frameClass,
                                "Torv widgets",
                                WS_POPUP | WS_VISIBLE,
                                100,
                                120,
                                W,
                                H,
                                nullptr,
                                nullptr,
                                GetModuleHandleA(nullptr),
                                nullptr);
        ASSERT_NE(frame, nullptr) << "no display? error " << GetLastError();
        ASSERT_EQ(win.hwnd(frame), frame);
        ASSERT_NE(win.own.load(), nullptr);

        auto make = [this](const char* command, auto... args) {
            VX_Wid* w = nullptr;
            EXPECT_EQ(VX_cmd(command, &w, args...), VX_OK) << command;
            widgets.push_back(w);
            return w;
        };
        make("VX_Wid_Pic -w 210 -h 236 -l 0 -t 0 -res tbg");
        make("VX_Wid_Pic -w 190 -h 10 -l 10 -t 0 -res tpic");
        make("VX_Wid_Text -l 10 -t 35 -h 20 -w 190 -text %s -font Tahoma -size 12",
             "Cutoff frequency");
        button = static_cast<VX_Wid_Butt*>(make("VX_Wid_Butt -w 40 -h 24 -l 21 -t 67 -res tbutt"));
        knob = static_cast<VX_Wid_Knob*>(
            make("VX_Wid_Knob -w 32 -h 32 -l 71 -t 126 -res tknob -mn 20 -mx 10000"));
        for (VX_Wid* w : widgets) VX_cmd("VX_Wid %o -win %o", w, &win);
        VX_cmd("VX_Wid_Knob %o -val %f", knob, 1500.0);
        win.redraw(win.bounds());
        pumpUntil(nullptr, 300);
        POINT origin{0, 0};
        ClientToScreen(win.own.load(), &origin);
        screenX = origin.x;
        screenY = origin.y;
    }

    void TearDown() override {
        runHost("xdotool mouseup 1 mousemove 5 5");
        for (VX_Wid* w : widgets) VX_cmd("%o -delete", w);
        win.hwnd(nullptr);
        DestroyWindow(frame);
        pumpMessages();
    }

    // The whole window as the compositor computes it now.
    Shot expected() {
        VX_Pic<VX_Pix_A32> full;
        full.resize(W, H);
        win.compositeInto(full, win.bounds());
        return colours(full, win.bounds());
    }

    void expectScreenShows(const Shot& want, const std::string& name) {
        std::string first;
        pumpUntil(nullptr, 100);
        EXPECT_EQ(differences(grabWindow(win.own.load(), W, H), want, first), 0)
            << "read back through GDI, " << first;
        EXPECT_EQ(
            differences(grabScreen(screenX, screenY, W, H, "wid_display_" + name), want, first), 0)
            << "on the X screen, " << first;
    }

    // xdotool's mouse, in window coordinates.
    std::string at(int x, int y) {
        return std::to_string(screenX + x) + " " + std::to_string(screenY + y);
    }
    bool mouse(const std::string& actions) { return runHost("xdotool " + actions) == 0; }

    VX_Win_Win32 win{W, H};
    HWND frame = nullptr;
    std::vector<VX_Wid*> widgets;
    VX_Wid_Butt* button = nullptr;
    VX_Wid_Knob* knob = nullptr;
    int screenX = 0, screenY = 0;
};

TEST_F(WidgetWindow, TheScreenShowsExactlyWhatTheCompositorComputes) {
    EXPECT_EQ(std::string(VX_Win_Win32::className()).rfind("VXFRAMEx", 0), 0u);
    const Shot want = expected();
    expectScreenShows(want, "window");
    // Covered and uncovered again, the window repaints itself on WM_PAINT.
    InvalidateRect(win.own.load(), nullptr, FALSE);
    pumpUntil(nullptr, 200);
    std::string first;
    EXPECT_EQ(differences(grabWindow(win.own.load(), W, H), want, first), 0) << first;
}

TEST_F(WidgetWindow, HoverHighlightsTheKnobAndLeavingItTakesTheHighlightAway) {
    const Shot plain = expected();
    ASSERT_TRUE(mouse("mousemove " + at(87, 142)));
    ASSERT_TRUE(pumpUntil([&] { return win.hovered.load() == knob; }, 5000));
    const Shot lit = expected();
    EXPECT_NE(lit.rgb, plain.rgb);
    expectScreenShows(lit, "hover");
    ASSERT_TRUE(mouse("mousemove " + at(150, 100)));
    ASSERT_TRUE(pumpUntil([&] { return win.hovered.load() == nullptr; }, 5000));
    expectScreenShows(plain, "unhover");
    // The button lights up too; a picture never does.
    ASSERT_TRUE(mouse("mousemove " + at(41, 79)));
    ASSERT_TRUE(pumpUntil([&] { return win.hovered.load() == button; }, 5000));
    ASSERT_TRUE(mouse("mousemove " + at(100, 5)));
    ASSERT_TRUE(pumpUntil([&] { return win.hovered.load() == nullptr; }, 5000));
}

TEST_F(WidgetWindow, PressAndDragTurnTheKnobOneFramePerPixelUntilRelease) {
    const int start = knob->frame;
    ASSERT_EQ(start, 39);
    ASSERT_TRUE(mouse("mousemove " + at(87, 142)));
    ASSERT_TRUE(pumpUntil([&] { return win.hovered.load() == knob; }, 5000));
    ASSERT_TRUE(mouse("mousedown 1"));
    ASSERT_TRUE(pumpUntil([&] { return win.captured.load() == knob; }, 5000));
    ASSERT_TRUE(mouse("mousemove " + at(97, 142)));
    ASSERT_TRUE(pumpUntil([&] { return knob->frame == start + 10; }, 5000)) << knob->frame;
    ASSERT_TRUE(mouse("mousemove " + at(97, 137))); // 5 up
    ASSERT_TRUE(pumpUntil([&] { return knob->frame == start + 15; }, 5000)) << knob->frame;
    expectScreenShows(expected(), "drag");
    ASSERT_TRUE(mouse("mouseup 1"));
    ASSERT_TRUE(pumpUntil([&] { return win.captured.load() == nullptr; }, 5000));
    ASSERT_TRUE(mouse("mousemove " + at(120, 142)));
    pumpUntil(nullptr, 300);
    EXPECT_EQ(knob->frame, start + 15); // released: moving no longer turns it
}

TEST_F(WidgetWindow, LeavingTheWindowEndsTheDrag) {
    ASSERT_TRUE(mouse("mousemove " + at(87, 142)));
    ASSERT_TRUE(pumpUntil([&] { return win.hovered.load() == knob; }, 5000));
    ASSERT_TRUE(mouse("mousedown 1"));
    ASSERT_TRUE(pumpUntil([&] { return win.captured.load() == knob; }, 5000));
    ASSERT_TRUE(mouse("mousemove " + at(90, 142)));
    ASSERT_TRUE(pumpUntil([&] { return knob->frame == 42; }, 5000)) << knob->frame;
    // Out of the window with the button still held: WM_MOUSELEAVE ends the drag.
    ASSERT_TRUE(mouse("mousemove " + at(W + 300, H + 200)));
    ASSERT_TRUE(pumpUntil([&] { return win.captured.load() == nullptr; }, 5000))
        << "no WM_MOUSELEAVE";
    const int after = knob->frame;
    ASSERT_TRUE(mouse("mouseup 1 mousemove " + at(87, 142) + " mousemove " + at(120, 142)));
    pumpUntil(nullptr, 300);
    EXPECT_EQ(knob->frame, after);
}

TEST_F(WidgetWindow, ForeignThreadValuesOnlyInvalidateAndTheWindowThreadPaintsThem) {
    gdiCounts.reset();
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::atomic<double> last{0};
    std::thread host([&] {
        // A host's automation: a new value every millisecond, sweeping the range.
        for (int k = 0; !stop; ++k) {
            const double v = 20 + std::fmod(k * 37.0, 9980.0);
            VX_cmd("VX_Wid_Knob %o -val %f", knob, v);
            last = v;
            ++sent;
            Sleep(1);
        }
    });
    const DWORD started = GetTickCount();
    // Meanwhile the mouse drags the same knob, back and forth, on the window's thread.
    int drags = 0;
    while (GetTickCount() - started < 10000) {
        EXPECT_TRUE(mouse("mousemove " + at(87, 142) + " mousedown 1 mousemove " + at(110, 142) +
                          " mousemove " + at(70, 150) + " mouseup 1"));
        ++drags;
        pumpUntil(nullptr, 200);
    }
    stop = true;
    host.join();
    // The last value is on the screen once the window's thread has painted it.
    ASSERT_TRUE(mouse("mousemove " + at(150, 100)));
    pumpUntil([&] { return win.hovered.load() == nullptr; }, 5000);
    pumpUntil(nullptr, 500);
    EXPECT_EQ(knob->frame, knob->frameOf(float(last.load())));
    expectScreenShows(expected(), "foreign");

    EXPECT_GT(sent.load(), 1000);
    EXPECT_GT(drags, 3);
    EXPECT_EQ(gdiCounts.elsewhere.load(), 0) << "GDI was called off the window's thread";
    EXPECT_GT(gdiCounts.onWindowThread.load(), 0);
    EXPECT_GT(gdiCounts.invalidations.load(), 0);
    std::printf("foreign thread: %d values, %d drags, %ld invalidations, %ld GDI calls on the "
                "window's thread\n",
                sent.load(),
                drags,
                gdiCounts.invalidations.load(),
                gdiCounts.onWindowThread.load());
}

TEST_F(WidgetWindow, RedrawsElsewhereBetweenTwoPaintsInvalidateOnceAndAllReachTheScreen) {
    pumpUntil(nullptr, 100);
    gdiCounts.reset();
    // The window's thread takes no message meanwhile: the knob's first value asks for the
    // WM_PAINT, the rest and the button (outside that rectangle) only grow what it paints.
    std::thread([&] {
        for (int k = 0; k < 100; ++k) VX_cmd("VX_Wid_Knob %o -val %f", knob, 20.0 + 97.0 * k);
        VX_cmd("VX_Wid_Butt %o -val 1", button);
    }).join();
    EXPECT_EQ(gdiCounts.invalidations.load(), 1);
    expectScreenShows(expected(), "elsewhere");
    // Once painted, the next redraw elsewhere asks again.
    std::thread([&] { VX_cmd("VX_Wid_Knob %o -val %f", knob, 700.0); }).join();
    EXPECT_EQ(gdiCounts.invalidations.load(), 2);
    expectScreenShows(expected(), "elsewhere_again");
}

TEST_F(WidgetWindow, PaintingWaitsForAnotherThreadUpToASecondAndNeverPaintsInsideAPaint) {
    ASSERT_TRUE(win.lockPaint());
    EXPECT_FALSE(win.lockPaint()) << "a paint inside a paint";
    win.unlockPaint();

    std::atomic<int> step{0};
    std::thread other([&] {
        win.lockPaint();
        step = 1;
        Sleep(300);
        win.unlockPaint();
        while (step != 2) Sleep(1);
        win.lockPaint();
        step = 3;
        Sleep(1500);
        win.unlockPaint();
    });
    while (step != 1) Sleep(1);
    // Held for a moment: the knob's repaint waits and then reaches the screen.
    VX_cmd("VX_Wid_Knob %o -val %f", knob, 5000.0);
    expectScreenShows(expected(), "lock");

    step = 2;
    while (step != 3) Sleep(1);
    const DWORD started = GetTickCount();
    EXPECT_FALSE(win.lockPaint()) << "held for longer than the wait";
    const DWORD waited = GetTickCount() - started;
    EXPECT_GE(waited, VX_Win_Win32::paintWaitMs - 20); // the tick's own granularity
    EXPECT_LT(waited, 1450u);
    other.join();
    EXPECT_TRUE(win.lockPaint());
    win.unlockPaint();
}

// Two copies of a module that holds the framework, loaded side by side as a host may load two
// plug-ins built from it.
TEST(WidgetWindowModules, EachLoadedModuleRegistersItsOwnWindowClass) {
    using Open = HWND (*)(HWND);
    using Name = const char* (*)();
    using Close = void (*)();
    const std::string dir = programDirectory();
    HMODULE a = LoadLibraryA((dir + "wid_window_module.dll").c_str());
    HMODULE b = LoadLibraryA((dir + "wid_window_module_copy.dll").c_str());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(a, b);
    HWND parent = CreateWindowExA(0,
                                  "STATIC",
                                  "parent",
                                  WS_POPUP | WS_VISIBLE,
                                  0,
                                  0,
                                  64,
                                  64,
                                  nullptr,
                                  nullptr,
                                  nullptr,
                                  nullptr);
    ASSERT_NE(parent, nullptr);
    auto fn = [](HMODULE m, const char* name) {
        return reinterpret_cast<void (*)()>(GetProcAddress(m, name));
    };
    HWND ca = reinterpret_cast<Open>(fn(a, "torv_test_open"))(parent);
    HWND cb = reinterpret_cast<Open>(fn(b, "torv_test_open"))(parent);
    ASSERT_NE(ca, nullptr);
    ASSERT_NE(cb, nullptr);
    char na[64] = {}, nb[64] = {};
    GetClassNameA(ca, na, sizeof na);
    GetClassNameA(cb, nb, sizeof nb);
    char wantA[64], wantB[64];
    std::snprintf(wantA, sizeof wantA, "VXFRAMEx%8.8X", unsigned(uintptr_t(a)));
    std::snprintf(wantB, sizeof wantB, "VXFRAMEx%8.8X", unsigned(uintptr_t(b)));
    EXPECT_STREQ(na, wantA);
    EXPECT_STREQ(nb, wantB);
    EXPECT_STRNE(na, nb);
    EXPECT_STREQ(reinterpret_cast<Name>(fn(a, "torv_test_class"))(), wantA);
    reinterpret_cast<Close>(fn(a, "torv_test_close"))();
    reinterpret_cast<Close>(fn(b, "torv_test_close"))();
    DestroyWindow(parent);
    // An unloaded module takes its class with it.
    EXPECT_TRUE(FreeLibrary(a));
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetClassInfoExA(a, wantA, &info));
    EXPECT_TRUE(FreeLibrary(b));
}

} // namespace
