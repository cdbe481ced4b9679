// The reliability figures: audio for a minute (TORV_RELIABILITY_SECONDS) while a menu command
// arrives every 100 ms. Not part of every run; by hand, as one line, from the worktree:
//   TORV_NEEDS_DISPLAY=1 TORV_TEST_TIMEOUT=900 scripts/wine-run win64
//       build/win64/tests/host_exe_tests.exe --gtest_also_run_disabled_tests
//       --gtest_filter='*Reliability*'
// It prints the blocks processed and skipped, the longest time the audio callback held the
// lock, and checks that every processed block reached the driver exactly as the replay through
// torv.dll computes it.
#include "host_exe_util.h"

#include <cstdlib>

namespace {

using namespace hostexe;

TEST(HostExeReliability, DISABLED_AMinuteOfAudioWithACommandEvery100Ms) {
    const char* given = std::getenv("TORV_RELIABILITY_SECONDS");
    const DWORD seconds = given ? static_cast<DWORD>(std::atoi(given)) : 60;
    const std::string prefix = asiotest::recording("host-reliability");
    HostProcess host("reliability",
                     {{"TORV_TEST_ASIO", "inputs=4 buffer=128 record=" + prefix},
                      {"TORV_TEST_ASIO_2", "inputs=2 buffer=256"}});
    ASSERT_TRUE(host.start());
    // Routes come and go, change inputs and the editor's route; the mode is chosen again; now
    // and then the other driver and back.
    const uint32_t cycle[] = {add,
                              route(0),
                              input(1),
                              add,
                              input(2),
                              route(1),
                              mode(0),
                              input(3),
                              route(2),
                              removeRoute,
                              route(0),
                              removeRoute,
                              input(0),
                              add,
                              route(1),
                              removeRoute,
                              mode(0),
                              route(0)};
    const DWORD started = GetTickCount();
    int sent = 0, switches = 0;
    while (GetTickCount() - started < seconds * 1000) {
        uint32_t id = cycle[sent % (sizeof cycle / sizeof *cycle)];
        if (sent % 100 == 99) id = driver(++switches % 2); // every ten seconds
        ASSERT_TRUE(host.command(id));
        ++sent;
        Sleep(100);
    }
    ASSERT_TRUE(host.command(driver(0)));
    const HostState s = host.state(true);
    ASSERT_TRUE(host.close(30000));

    const long long processed = s.number("processed"), skipped = s.number("skipped");
    std::printf("%lu s of audio, %d commands (%d driver switches): %lld blocks processed, %lld "
                "skipped (%.2f %%), longest lock hold by the audio callback %lld us, %lld "
                "commands dropped\n",
                static_cast<unsigned long>(seconds),
                sent,
                switches,
                processed,
                skipped,
                100.0 * static_cast<double>(skipped) / static_cast<double>(processed + skipped),
                s.number("longestHoldUs"),
                s.number("dropped"));
    EXPECT_EQ(s.number("dropped"), 0);
    EXPECT_FALSE(s.number("journalFull"));

    const replay::Result r = replayAsio(host, {18, 18});
    ASSERT_EQ(r.error, "");
    const DriverRecording rec = DriverRecording::read(prefix, 18, 18, 2);
    const RunComparison c = compareRun(r, {{0, &rec}});
    std::printf("driver 1: %lld blocks as replayed, %lld kept, %lld wrong\n",
                static_cast<long long>(c.processed),
                static_cast<long long>(c.kept),
                static_cast<long long>(c.wrong));
    EXPECT_EQ(c.wrong, 0) << c.firstWrong;
}

} // namespace
