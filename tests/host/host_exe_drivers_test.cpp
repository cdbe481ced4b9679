// torv.exe with test ASIO drivers that fail at each step, ask for restarts, never call back, or
// run while the host is closed: the host reports what the Parts say, keeps working, and ends
// within its bounded waits.
#include "host_exe_util.h"

#include <fstream>
#include <iterator>

namespace {

using namespace hostexe;
using Texts = std::vector<std::string>;
using Ids = std::vector<uint32_t>;

struct Injection {
    const char* method;
    Texts choosing; // reports when the failing driver is chosen
    Texts leaving;  // and when the first driver is chosen again
};

TEST(HostExeDrivers, EveryFailingDriverCallIsReportedAndTheHostRunsOn) {
    HostProcess host("failures", {{"TORV_TEST_ASIO", "buffer=128"}});
    ASSERT_TRUE(host.start());
    size_t seen = 0;
    newReports(host, seen);
    const Injection injections[] = {
        {"init", {"ASIOInit in VX_Rts_Asio::init", "Audio operating error in menu_driver"}, {}},
        {"getChannels",
         {"ASIOGetChannels in VX_Rts_Asio::init", "Audio operating error in menu_driver"},
         {}},
        {"getBufferSize",
         {"ASIOGetBufferSize in VX_Rts_Asio::init", "Audio operating error in menu_driver"},
         {}},
        {"canSampleRate", {}, {}},
        {"setSampleRate",
         {"ASIOSetSampleRate in VX_Rts_Asio::mode", "Audio operating error in menu_mode"},
         {}},
        {"createBuffers",
         {"ASIOCreateBuffers in VX_Rts_Asio::mode", "Audio operating error in menu_mode"},
         {}},
        {"start", {"ASIOStart in VX_Rts_Asio::mode", "Audio operating error in menu_mode"}, {}},
        {"stop",
         {},
         {"ASIOStop in VX_Rts_Asio::free",
          "Audio operating error in menu_driver",
          "ASIOStop in VX_Rts_Asio::free"}},
        // No channel described: no buffers to create, and the driver will not start.
        {"getChannelInfo",
         {"ASIOStart in VX_Rts_Asio::mode", "Audio operating error in menu_mode"},
         {}},
        {"disposeBuffers", {}, {}},
    };
    for (const Injection& i : injections) {
        SCOPED_TRACE(i.method);
        ASSERT_TRUE(host.setEnvironment("TORV_TEST_ASIO_2", std::string("fail=") + i.method));
        ASSERT_TRUE(host.command(driver(1)));
        EXPECT_EQ(newReports(host, seen), i.choosing);
        const HostState s = host.state();
        const std::string method = i.method;
        if (method == "init" || method == "getChannels" || method == "getBufferSize") {
            EXPECT_EQ(s.checked("audio"), Ids{});
            EXPECT_EQ(s.texts("mode"), Texts{});
        } else {
            EXPECT_EQ(s.checked("audio"), (Ids{0x1001}));
        }
        ASSERT_TRUE(host.command(driver(0)));
        EXPECT_EQ(newReports(host, seen), i.leaving);
        // A driver that describes no channel offers none: the route was disconnected, and
        // stays so until an input is chosen for it.
        if (method == "getChannelInfo") {
            EXPECT_EQ(s.routes, (Texts{"1. Unconnected"}));
            EXPECT_EQ(host.state().routes, (Texts{"1. Unconnected"}));
            ASSERT_TRUE(host.command(input(0)));
        }
        const HostState back = host.state();
        EXPECT_EQ(back.checked("audio"), (Ids{0x1000}));
        EXPECT_EQ(back.checked("mode"), (Ids{0x2000}));
        EXPECT_EQ(back.routes, (Texts{"1. In 1"}));
        EXPECT_TRUE(host.waitBlocks(20));
    }
    DWORD code = 1;
    EXPECT_TRUE(host.close(15000, &code));
    EXPECT_EQ(code, 0u);
}

// A reset request and a new buffer size, each asked for on the driver's own thread: the host
// selects the driver again on its user interface thread, and the audio that follows is exact.
TEST(HostExeDrivers, RestartRequestsGiveAWorkingStreamAgain) {
    const std::string reset = asiotest::recording("host-reset");
    const std::string size = asiotest::recording("host-sizechange");
    HostProcess host("restarts",
                     {{"TORV_TEST_ASIO", "buffer=128 reset=40 record=" + reset},
                      {"TORV_TEST_ASIO_2", "buffer=128 sizechange=40:256 record=" + size}});
    ASSERT_TRUE(host.start());
    auto starts = [](const std::string& prefix) {
        return asiotest::countLines(asiotest::logLines(prefix), "start");
    };
    ASSERT_TRUE(asiotest::waitFor([&] { return starts(reset) >= 2; }, 20000));
    ASSERT_TRUE(host.waitBlocks(40));
    EXPECT_EQ(host.state().number("blockLength"), 128);
    ASSERT_TRUE(host.command(driver(1)));
    ASSERT_TRUE(asiotest::waitFor([&] { return starts(size) >= 2; }, 20000));
    ASSERT_TRUE(host.waitBlocks(40));
    const HostState s = host.state();
    EXPECT_EQ(s.number("blockLength"), 256);
    EXPECT_EQ(s.checked("audio"), (Ids{0x1001}));
    EXPECT_EQ(s.checked("mode"), (Ids{0x2000}));
    ASSERT_TRUE(host.close(15000));
    EXPECT_EQ(host.reports(), Texts{});
    EXPECT_EQ(asiotest::countLines(asiotest::logLines(reset), "reset request -> 1"), 1);
    EXPECT_EQ(asiotest::countLines(asiotest::logLines(size), "buffer size change 256 -> 1"), 1);

    const replay::Result r = replayAsio(host, {18, 18});
    ASSERT_EQ(r.error, "");
    const DriverRecording a = DriverRecording::read(reset, 18, 18, 2);
    const DriverRecording b = DriverRecording::read(size, 18, 18, 2);
    const RunComparison c = compareRun(r, {{0, &a}, {1, &b}});
    EXPECT_EQ(c.wrong, 0) << c.firstWrong;
    EXPECT_EQ(c.streams, 4);
}

TEST(HostExeDrivers, ADriverThatNeverCallsBackLeavesTheHostResponsive) {
    HostProcess host("silent", {{"TORV_TEST_ASIO", "silent=1"}});
    ASSERT_TRUE(host.start());
    Sleep(300);
    const HostState s = host.state();
    EXPECT_EQ(s.number("processed"), 0);
    EXPECT_EQ(s.checked("mode"), (Ids{0x2000}));
    ASSERT_TRUE(host.command(add));
    EXPECT_EQ(host.state().routes, (Texts{"1. In 1", "2. In 2"}));
    DWORD took = 0;
    EXPECT_TRUE(host.close(10000, nullptr, &took));
    EXPECT_LT(took, 3000u);
}

// Closing while audio runs stops the stream first and ends within the bounded waits: the
// threads the stream brought (the driver's) are gone, and so are the handles it held.
TEST(HostExeDrivers, ClosingWhileAudioRunsEndsCleanly) {
    HostProcess host("close", {{"TORV_TEST_ASIO", "buffer=64 period=1"}});
    ASSERT_TRUE(host.start());
    ASSERT_TRUE(host.command(add));
    ASSERT_TRUE(host.waitBlocks(200));
    const HostState running = host.state(true);
    DWORD code = 1, took = 0;
    ASSERT_TRUE(host.close(15000, &code, &took));
    EXPECT_EQ(code, 0u);
    EXPECT_LT(took, 5000u);
    RecordProperty("close_ms", static_cast<int>(took));
    std::ifstream file(host.probePath, std::ios::binary);
    const HostState ended = HostState::parse(std::string(std::istreambuf_iterator<char>(file), {}));
    EXPECT_EQ(ended.text("phase"), "ended");
    EXPECT_TRUE(ended.routes.empty());
    std::printf("closed in %lu ms; threads %lld at start, %lld running, %lld at the end; handles "
                "%lld, %lld, %lld\n",
                static_cast<unsigned long>(took),
                ended.number("start.threads"),
                running.number("threads"),
                ended.number("threads"),
                ended.number("start.handles"),
                running.number("handles"),
                ended.number("handles"));
    EXPECT_GT(running.number("threads"), ended.number("start.threads"));
    EXPECT_EQ(ended.number("threads"), ended.number("start.threads"));
    EXPECT_LT(ended.number("handles"), running.number("handles"));
}

} // namespace
