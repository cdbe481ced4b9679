// The editor of the shipped module on a real display, as a host shows it: torv.dll loaded from
// its file, the effect made through VSTPluginMain, effEditGetRect and effEditOpen with a real
// parent window. The screen is compared with a committed picture, the mouse is the X server's
// (xdotool), and what the widgets hold is read through the effect object, whose layout the
// module shares with this program (same compiler, same headers). Screenshots are kept beside
// the program (editor_display_*.png).
#include "wid/display_support_win32.h"

#include "plugin/VX_Main_Vst.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cmath>
#include <thread>

namespace {

constexpr int W = 210, H = 236;
const char* const frameClass = "TorvEditorTestFrame";

// The areas where text is drawn: fonts may differ by a shade between Wine versions, so there
// the comparison allows a tolerance (below); everywhere else it is exact.
const VX_Rect textAreas[] = {
    {10, 35, 200, 55},   // title
    {62, 70, 142, 86},   // "Filter"
    {55, 104, 151, 122}, // "Cutoff frequency"
    {71, 194, 135, 212}, // read-out
};
// Inside a text area: no channel differs by more than this, on all but textOutliers pixels.
constexpr int textChannelTolerance = 64;
constexpr int textOutliers = 12;

// The module writes its trace lines through its own runtime's buffer: unbuffered, the lines of
// both reach the log in order and none is lost at exit.
const bool unbuffered = [] {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return true;
}();

LRESULT CALLBACK frameProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, m, wp, lp);
}

VstIntPtr VST_CALL hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::string sourceData(const std::string& name) {
    return std::string(TORV_EDITOR_DATA) + "/" + name;
}

bool inText(int x, int y) {
    for (const VX_Rect& r : textAreas)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
}

// Exact outside the text areas, within the tolerance inside them; describes the first fault.
bool matchesGolden(const Shot& shot, const Shot& golden, std::string& fault) {
    if (shot.rgb.size() != size_t(W) * H || golden.rgb.size() != size_t(W) * H) {
        fault = "no picture";
        return false;
    }
    int outside = 0, outliers = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const uint32_t a = shot.at(x, y), b = golden.at(x, y);
            if (a == b) continue;
            if (!inText(x, y)) {
                if (outside++ == 0)
                    fault = "outside the text at " + std::to_string(x) + "," + std::to_string(y);
                continue;
            }
            for (int c = 0; c < 24; c += 8)
                if (std::abs(int(a >> c & 255) - int(b >> c & 255)) > textChannelTolerance) {
                    ++outliers;
                    break;
                }
        }
    if (outliers > textOutliers)
        fault += " " + std::to_string(outliers) + " text pixels beyond the tolerance";
    return outside == 0 && outliers <= textOutliers;
}

class EditorDisplay : public testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSA c{};
        c.lpfnWndProc = frameProc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        c.lpszClassName = frameClass;
        RegisterClassA(&c);
        module = LoadLibraryA((programDirectory() + "..\\plugin\\torv.dll").c_str());
    }

    void SetUp() override {
        ASSERT_NE(module, nullptr);
        auto main = reinterpret_cast<VstPluginMainProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "VSTPluginMain")));
        ASSERT_NE(main, nullptr);
        effect = main(hostCallback);
        ASSERT_NE(effect, nullptr);
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        dispatch(effSetBlockSize, 0, 512);
        dispatch(effMainsChanged, 0, 1);
        // The host's frame, deliberately of another size: opening gives it the editor's.
        frame = CreateWindowExA(0,
                                frameClass,
                                "Torv editor",
                                WS_POPUP | WS_VISIBLE,
                                100,
                                120,
                                50,
                                40,
                                nullptr,
                                nullptr,
                                GetModuleHandleA(nullptr),
                                nullptr);
        ASSERT_NE(frame, nullptr) << "no display? error " << GetLastError();
        ASSERT_TRUE(open());
    }

    void TearDown() override {
        runHost("xdotool mouseup 1 mousemove 5 5");
        if (effect) {
            dispatch(effEditClose);
            dispatch(effClose);
        }
        DestroyWindow(frame);
        pumpMessages();
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    bool open() {
        ERect* r = nullptr;
        if (dispatch(effEditGetRect, 0, 0, &r) != 1 || !r) return false;
        if (dispatch(effEditOpen, 0, 0, frame) != 1) return false;
        child = FindWindowExA(frame, nullptr, nullptr, nullptr);
        if (!child) return false;
        POINT origin{0, 0};
        ClientToScreen(child, &origin);
        screenX = origin.x;
        screenY = origin.y;
        pumpUntil(nullptr, 300);
        return true;
    }

    // The effect object inside the module.
    VX_Main_Vst* app() {
        return static_cast<VX_Main_Vst*>(static_cast<AudioEffect*>(effect->object));
    }
    VX_Wid_Knob* knob() {
        return static_cast<VX_Wid_Knob*>(app()->widgets[VX_Application::slotKnob]);
    }
    VX_Wid_Butt* button() {
        return static_cast<VX_Wid_Butt*>(app()->widgets[VX_Application::slotStateButton]);
    }
    std::string readout() {
        auto* text = static_cast<VX_Wid_Text_Base*>(app()->widgets[VX_Application::slotReadout]);
        return text->text.load();
    }

    Shot screen(const std::string& name) {
        pumpUntil(nullptr, 150);
        return grabScreen(screenX, screenY, W, H, "editor_display_" + name);
    }
    // What the screen shows is what the window's DC holds.
    void expectScreenIsTheWindow(const std::string& name) {
        std::string first;
        const Shot s = screen(name);
        EXPECT_EQ(differences(s, grabWindow(child, W, H), first), 0) << first;
    }

    std::string at(int x, int y) {
        return std::to_string(screenX + x) + " " + std::to_string(screenY + y);
    }
    bool mouse(const std::string& actions) { return runHost("xdotool " + actions) == 0; }
    // Moves onto (x, y) and waits until the window has seen the mouse there.
    bool hover(int x, int y, VX_Wid* expected) {
        return mouse("mousemove " + at(x, y)) &&
               pumpUntil([&] { return app()->window->hovered.load() == expected; }, 5000);
    }

    // Runs a second of a 100 Hz tone through the effect; the last 4096 samples' largest
    // difference from the input.
    float bypassDifference() {
        std::vector<float> in(48000), left(in.size()), right(in.size());
        for (size_t k = 0; k < in.size(); ++k)
            in[k] = 0.5f * std::sin(6.2831853f * 100.0f * float(k) / 48000.0f);
        for (size_t done = 0; done < in.size(); done += 512) {
            float* inputs[1] = {in.data() + done};
            float* outputs[2] = {left.data() + done, right.data() + done};
            const auto n = static_cast<VstInt32>(std::min<size_t>(512, in.size() - done));
            effect->processReplacing(effect, inputs, outputs, n);
        }
        float worst = 0;
        for (size_t k = in.size() - 4096; k < in.size(); ++k)
            worst = std::max(worst, std::fabs(left[k] - in[k]));
        return worst;
    }

    static HMODULE module;
    AEffect* effect = nullptr;
    HWND frame = nullptr;
    HWND child = nullptr;
    int screenX = 0, screenY = 0;
};

HMODULE EditorDisplay::module = nullptr;

TEST_F(EditorDisplay, OpensInTheHostsWindowAndLooksAsCommitted) {
    RECT client{};
    GetClientRect(frame, &client);
    EXPECT_EQ(client.right, W) << "the parent takes the editor's size";
    EXPECT_EQ(client.bottom, H);
    const Shot shot = screen("initial");
    expectScreenIsTheWindow("initial");
    const Shot golden = readPicture(sourceData("editor.png"), W, H);
    std::string fault;
    EXPECT_TRUE(matchesGolden(shot, golden, fault))
        << fault << "; the screen is in editor_display_initial.png beside the program";
}

// The 32-bit module runs in an emulator here, far slower than real time and unsteady with
// threads: there only its screen is compared (above, with the same picture as the x64 one); the
// mouse, the automation and reopening are checked on x64.
#if INTPTR_MAX == INT64_MAX

TEST_F(EditorDisplay, ClickingTheButtonSwitchesTheFilterAndTheAudioFollows) {
    EXPECT_GT(bypassDifference(), 0.1f) << "on: a 100 Hz tone is cut";
    const Shot on = screen("on");
    ASSERT_TRUE(hover(41, 79, button()));
    ASSERT_TRUE(mouse("click 1"));
    ASSERT_TRUE(pumpUntil([&] { return effect->getParameter(effect, 0) == 0.0f; }, 5000));
    EXPECT_EQ(button()->frame, 0);
    EXPECT_LT(bypassDifference(), 1e-6f) << "off: after the crossfade the input passes";
    ASSERT_TRUE(hover(150, 20, nullptr));
    const Shot off = screen("off");
    expectScreenIsTheWindow("off");
    // The knob is faded: darker over the whole of it.
    int darker = 0;
    for (int y = 130; y < 186; ++y)
        for (int x = 75; x < 131; ++x) darker += (off.at(x, y) & 0xFF) < (on.at(x, y) & 0xFF);
    EXPECT_GT(darker, 500);
    // Faded, the knob ignores a press and a drag.
    ASSERT_TRUE(mouse("mousemove " + at(103, 158) + " mousedown 1 mousemove " + at(160, 158) +
                      " mouseup 1"));
    pumpUntil(nullptr, 300);
    EXPECT_EQ(knob()->frame, 39);
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 1), 1480.0f / 9980.0f);
    // Clicked again: on, and the screen is as before.
    ASSERT_TRUE(hover(41, 79, button()));
    ASSERT_TRUE(mouse("click 1"));
    ASSERT_TRUE(pumpUntil([&] { return effect->getParameter(effect, 0) == 1.0f; }, 5000));
    ASSERT_TRUE(hover(150, 20, nullptr));
    std::string first;
    EXPECT_EQ(differences(screen("on-again"), on, first), 0) << first;
}

TEST_F(EditorDisplay, DraggingTheKnob225PixelsRightReachesTheTop) {
    ASSERT_EQ(knob()->frame, 39);
    ASSERT_TRUE(hover(103, 158, knob()));
    ASSERT_TRUE(mouse("mousedown 1"));
    ASSERT_TRUE(pumpUntil([&] { return app()->window->captured.load() == knob(); }, 5000));
    ASSERT_TRUE(mouse("mousemove " + at(103 + 225, 158)));
    ASSERT_TRUE(pumpUntil([&] { return knob()->frame == 264; }, 5000)) << knob()->frame;
    ASSERT_TRUE(mouse("mouseup 1"));
    pumpUntil(nullptr, 200);
    EXPECT_EQ(effect->getParameter(effect, 1), 1.0f);
    EXPECT_EQ(readout(), "10000 Hz");
    char display[16] = {};
    dispatch(effGetParamDisplay, 1, 0, display);
    EXPECT_STREQ(display, "10000.0");
    expectScreenIsTheWindow("top");
}

TEST_F(EditorDisplay, TheReadOutShowsTheCutoffAndFollowsAutomation) {
    Shot previous = screen("readout-start");
    for (auto [v, shown] :
         {std::pair{20.0f, "20 Hz"}, std::pair{5000.0f, "2505 Hz"}, std::pair{1000.0f, "116 Hz"}}) {
        effect->setParameter(effect, 1, (v - 20.0f) / 9980.0f);
        EXPECT_EQ(readout(), shown) << v;
        EXPECT_EQ(knob()->frame, knob()->frameOf(v)) << v;
        const Shot now = screen("readout-" + std::to_string(int(v)));
        std::string first;
        EXPECT_GT(differences(now, previous, first), 20) << "the screen follows " << v;
        previous = now;
    }
    expectScreenIsTheWindow("readout");
}

TEST_F(EditorDisplay, AutomationFromAnotherThreadReachesTheScreenThroughTheWindowsThread) {
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::atomic<float> last{0.5f};
    std::thread host([&] {
        for (int k = 0; !stop; ++k) {
            const float x = float(k % 997) / 996.0f;
            effect->setParameter(effect, 1, x);
            last = x;
            ++sent;
            Sleep(1);
        }
    });
    const DWORD started = GetTickCount();
    while (GetTickCount() - started < 2000) {
        EXPECT_TRUE(mouse("mousemove " + at(103, 158) + " mousedown 1 mousemove " + at(130, 158) +
                          " mousemove " + at(90, 170) + " mouseup 1"));
        pumpUntil(nullptr, 100);
    }
    stop = true;
    host.join();
    ASSERT_TRUE(hover(150, 20, nullptr));
    EXPECT_GT(sent.load(), 200);
    effect->setParameter(effect, 1, last);
    const float v = 20.0f + last * 9980.0f;
    EXPECT_EQ(knob()->frame, knob()->frameOf(v));
    char shown[16];
    std::snprintf(shown, sizeof shown, "%.0f Hz", double(app()->cutoff));
    EXPECT_EQ(readout(), shown);
    expectScreenIsTheWindow("automation");
}

TEST_F(EditorDisplay, ClosedAndOpenedAgainItShowsTheSameWidgetsInTheSameState) {
    effect->setParameter(effect, 1, 0.75f);
    effect->setParameter(effect, 0, 0.0f);
    const Shot before = screen("before-close");
    VX_Object* widgets[VX_Application::slotCount];
    std::copy(std::begin(app()->widgets), std::end(app()->widgets), widgets);
    dispatch(effEditClose);
    EXPECT_EQ(FindWindowExA(frame, nullptr, nullptr, nullptr), nullptr);
    effect->setParameter(effect, 1, 0.25f); // while closed: the state changes, nothing is drawn
    ASSERT_TRUE(open());
    for (int s = 0; s < VX_Application::slotCount; ++s) EXPECT_EQ(app()->widgets[s], widgets[s]);
    effect->setParameter(effect, 1, 0.75f);
    std::string first;
    EXPECT_EQ(differences(screen("reopened"), before, first), 0) << first;
}

#endif

} // namespace
