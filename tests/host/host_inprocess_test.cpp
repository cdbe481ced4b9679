// The host's entry logic run inside the test program, exactly as torv.exe's WinMain runs it,
// with this program's own plug-in entry (it exports VSTPluginMain as torv.exe does) and the test
// ASIO driver registered from here. On 32-bit Windows this is where the host meets the 32-bit
// driver and the 32-bit effect, inside the one emulated test process.
#include "asio_run_check.h"
#include "host_state_win32.h"
#include "journal_replay.h"

#include "host/host_main_win32.h"
#include "host/host_probe_win32.h"
#include "rts/asio_fixture_util.h"
#include "support/capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

extern "C" AEffect* VST_CALL VSTPluginMain(audioMasterCallback audioMaster);

namespace {

HostState stateOf(HWND window, const std::string& path) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(
            window, HostProbe::writeStateMessage, 0, 0, SMTO_NORMAL, 30000, &result))
        return HostState{};
    std::ifstream in(path, std::ios::binary);
    return HostState::parse(std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST(HostInProcess, StartsListsTheDriversAndRunsOneSecondOfAudio) {
    HMODULE driver = LoadLibraryA(asiotest::driverFile().c_str());
    ASSERT_NE(driver, nullptr);
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(driver, "DllRegisterServer")));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
    // The host finds its plug-in entry in its own module. The linker exports it undecorated at
    // both pointer sizes (the 32-bit object's symbol is _VSTPluginMain, its export is not).
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_NE(GetProcAddress(self, "VSTPluginMain"), nullptr);
    EXPECT_NE(GetProcAddress(self, "MAIN"), nullptr);
    EXPECT_EQ(GetProcAddress(self, "_VSTPluginMain"), nullptr);
    ASSERT_EQ(torvPluginEntry(self), &VSTPluginMain);

    const std::string prefix = asiotest::recording("host-inprocess");
    asiotest::configure(0, "rates=48000 buffer=256 record=" + prefix);
    const std::string probe = asiotest::programDir() + "host-inprocess.state";
    _putenv_s("TORV_HOST_PROBE", probe.c_str());
    BoxCapture boxes;

    // The host runs its message loop on this thread; another looks on from outside.
    HostState running;
    std::atomic<bool> watched{false};
    std::thread watcher([&] {
        HWND w = nullptr;
        for (int i = 0; i < 6000 && !(w && IsWindowVisible(w)); ++i) {
            Sleep(10);
            w = FindWindowA("VXWINDOW", nullptr);
        }
        if (!w) return;
        const DWORD started = GetTickCount();
        while (GetTickCount() - started < 20000 && stateOf(w, probe).number("processed") < 200)
            Sleep(20);
        DWORD_PTR result;
        SendMessageTimeoutA(w, WM_COMMAND, TorvHost::helpCommand, 0, SMTO_NORMAL, 10000, &result);
        running = stateOf(w, probe);
        watched = true;
        PostMessageA(w, WM_CLOSE, 0, 0);
    });
    const int exitCode = torvHostMain(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    watcher.join();
    _putenv_s("TORV_HOST_PROBE", "");
    asiotest::configure(0, "");
    ASSERT_TRUE(watched);
    EXPECT_EQ(exitCode, 0);

    EXPECT_EQ(running.drivers,
              (std::vector<std::string>{"Torv Test ASIO", "Torv Test ASIO 2", "Windows"}));
    EXPECT_EQ(running.texts("mode"), (std::vector<std::string>{" 48.0 kHz, 32 bit, stereo"}));
    EXPECT_EQ(running.routes, (std::vector<std::string>{"1. In 1"}));
    EXPECT_EQ(running.text("title"), "www.torvaudio.net 3-rd order Butterworth high-pass");
    EXPECT_GE(running.number("processed"), 187); // a second at 48 kHz in blocks of 256
    EXPECT_EQ(running.text("class.icon"), "1");
    // Help, as the browser would have been asked (the probe stands in for it).
    EXPECT_EQ(running.text("opened"),
              "owner=main verb=open file=https://www.torvaudio.net/ parameters= directory= "
              "show=1");
    // The effect's editor gives its metrics, so nothing was reported.
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;

    // Every block went out as the effect computes it at this pointer size.
    std::vector<uint32_t> words;
    {
        std::ifstream in(probe + ".journal", std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(in), {});
        words.resize(bytes.size() / 4);
        std::memcpy(words.data(), bytes.data(), words.size() * 4);
    }
    const replay::Result r =
        replay::run(words,
                    &VSTPluginMain,
                    [](const replay::Stream& s, const replay::Block& b, int32_t input, float* out) {
                        asioInputBlock(18, input, b.block, s.frames, out);
                    });
    ASSERT_EQ(r.error, "");
    const DriverRecording rec = DriverRecording::read(prefix, 18, 18, 2);
    const RunComparison c = compareRun(r, {{0, &rec}});
    EXPECT_EQ(c.wrong, 0) << c.firstWrong;
    EXPECT_GE(c.processed, 187);
}

} // namespace
