// The host's start-up, menus and commands against model menus and stand-in backends: what each
// command does to the routes, the inputs and the menus' items, checks and grays, and how
// failing drivers are reported.
#include "host_test_fixture.h"

#include "plugin/VX_Main_Vst.h"

#include <thread>

namespace {

using Ids = std::vector<uint32_t>;
using Texts = std::vector<std::string>;

class HostCommands : public HostFixture {};

TEST_F(HostCommands, StartUpSelectsTheFirstDriverAndModeAndConnectsRouteOne) {
    addBackend("First", devices({{44100, 32, 64, 2}, {48000, 32, 64, 2}}, {"In A", "In B"}));
    FakeRts* second = addBackend("Second");
    start();
    EXPECT_EQ(ui.texts(HostMenu::bar), (Texts{"&Audio", "&Channel", "&Help (online)"}));
    EXPECT_EQ(ui.texts(HostMenu::audio), (Texts{"First", "Second", "-", "&Mode"}));
    EXPECT_EQ(ui.texts(HostMenu::channel),
              (Texts{"1. In A", "-", "&Input", "-", "&Add", "&Delete"}));
    EXPECT_EQ(ui.items(HostMenu::audio)[1].data, second);
    EXPECT_EQ(ui.item(HostMenu::bar, TorvHost::helpCommand).kind, MenuItem::command);

    EXPECT_EQ(ui.checked(HostMenu::audio), (Ids{0x1000}));
    EXPECT_EQ(ui.texts(HostMenu::mode),
              (Texts{" 44.1 kHz, 32 bit, stereo", " 48.0 kHz, 32 bit, stereo"}));
    EXPECT_EQ(ui.checked(HostMenu::mode), (Ids{0x2000}));
    EXPECT_EQ(ui.texts(HostMenu::input), (Texts{"In A", "In B"}));
    EXPECT_EQ(ui.checked(HostMenu::input), (Ids{0x6000}));
    EXPECT_EQ(ui.checked(HostMenu::channel), (Ids{0x5000}));
    EXPECT_TRUE(ui.grayed(HostMenu::channel, TorvHost::deleteCommand));
    EXPECT_FALSE(ui.grayed(HostMenu::channel, TorvHost::addCommand));
    EXPECT_EQ(uses(), (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(backends[0]->calls, (Texts{"init", "mode"}));
    EXPECT_EQ(host->blockLength, 64);

    // The effect was given the mode's rate; its product string is the title.
    EXPECT_EQ(ui.title, "www.torvaudio.net 3-rd order Butterworth high-pass");
    // The window takes the editor's own rectangle; nothing to report.
    const ERect r = host->editorRect();
    EXPECT_EQ(r.right - r.left, 210);
    EXPECT_EQ(r.bottom - r.top, 236);
    EXPECT_EQ(reports(), Texts{});
}

TEST_F(HostCommands, WithoutDriversTheHostReportsAndRunsWithUnconnectedRoutes) {
    start();
    EXPECT_EQ(reports(), (Texts{"No audio drivers found in WinMain"}));
    EXPECT_EQ(ui.texts(HostMenu::audio), (Texts{"-", "&Mode"}));
    EXPECT_EQ(routeLabels(), (Texts{"1. Unconnected"}));
    EXPECT_EQ(run(TorvHost::addCommand), VX_OK);
    EXPECT_EQ(routeLabels(), (Texts{"1. Unconnected", "2. Unconnected"}));
}

TEST_F(HostCommands, NewRoutesTakeTheFirstInputNobodyUses) {
    addBackend("Stereo");
    start();
    run(TorvHost::addCommand);
    run(TorvHost::addCommand);
    EXPECT_EQ(routeLabels(), (Texts{"1. Left", "2. Right", "3. Unconnected"}));
    EXPECT_EQ(ui.checked(HostMenu::channel), (Ids{0x5002})); // the new route is selected
    EXPECT_EQ(ui.checked(HostMenu::input), Ids{});           // and has no input
    EXPECT_FALSE(ui.grayed(HostMenu::channel, TorvHost::deleteCommand));

    // Route 1's input goes to route 3: route 1 still holds nothing, so a new route takes Left.
    run(TorvHost::routeCommand + 2);
    run(TorvHost::inputCommand + 0);
    EXPECT_EQ(uses(), (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(ui.item(HostMenu::channel, 0x5002).text, "3. Left");
    EXPECT_EQ(ui.checked(HostMenu::input), (Ids{0x6000}));
    run(TorvHost::routeCommand + 0);
    run(TorvHost::inputCommand + 1);
    EXPECT_EQ(uses(), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(ui.checked(HostMenu::input), (Ids{0x6001}));
    EXPECT_EQ(ui.checked(HostMenu::channel), (Ids{0x5000}));
}

TEST_F(HostCommands, DeletingRenumbersTheRoutesAndKeepsOneAlways) {
    addBackend("Quad", devices({{48000, 32, 64, 2}}, {"A", "B", "C", "D"}));
    start();
    run(TorvHost::addCommand);
    run(TorvHost::addCommand);
    const uint32_t formerSecond = host->routes[1].serial;
    run(TorvHost::routeCommand + 0);
    EXPECT_EQ(run(TorvHost::deleteCommand), VX_OK);
    EXPECT_EQ(routeLabels(), (Texts{"1. B", "2. C"}));
    EXPECT_EQ(host->routes[0].serial, formerSecond);
    EXPECT_EQ(host->selectedRoute, 0);
    EXPECT_EQ(ui.texts(HostMenu::channel),
              (Texts{"1. B", "2. C", "-", "&Input", "-", "&Add", "&Delete"}));
    EXPECT_EQ(ui.items(HostMenu::channel)[1].id, 0x5001u);
    EXPECT_EQ(ui.checked(HostMenu::channel), (Ids{0x5000}));
    EXPECT_EQ(ui.checked(HostMenu::input), (Ids{0x6001}));
    EXPECT_EQ(uses(), (std::vector<int32_t>{0, 1, 1, 0}));

    EXPECT_EQ(run(TorvHost::deleteCommand), VX_OK);
    EXPECT_EQ(routeLabels(), (Texts{"1. C"}));
    EXPECT_TRUE(ui.grayed(HostMenu::channel, TorvHost::deleteCommand));
    // The last route stays, whatever sends the command.
    EXPECT_EQ(run(TorvHost::deleteCommand), TorvHost::refused);
    EXPECT_EQ(host->routeCount, 1);
    run(TorvHost::addCommand);
    EXPECT_FALSE(ui.grayed(HostMenu::channel, TorvHost::deleteCommand));
    EXPECT_EQ(routeLabels(), (Texts{"1. C", "2. A"}));
}

TEST_F(HostCommands, TheRouteTableTakes32AndAddIsGrayedWhileItIsFull) {
    addBackend("Stereo");
    start();
    for (int k = 1; k < TorvHost::maxRoutes; ++k) ASSERT_EQ(run(TorvHost::addCommand), VX_OK);
    EXPECT_EQ(host->routeCount, 32);
    EXPECT_TRUE(ui.grayed(HostMenu::channel, TorvHost::addCommand));
    EXPECT_EQ(run(TorvHost::addCommand), TorvHost::refused);
    EXPECT_EQ(host->routeCount, 32);
    EXPECT_EQ(ui.items(HostMenu::channel).size(), 32u + 5u);
    EXPECT_EQ(ui.checked(HostMenu::channel), (Ids{0x501F}));
    run(TorvHost::deleteCommand);
    EXPECT_FALSE(ui.grayed(HostMenu::channel, TorvHost::addCommand));
    EXPECT_EQ(run(TorvHost::addCommand), VX_OK);
    EXPECT_EQ(host->routes[31].label, std::string("32. Unconnected"));
}

TEST_F(HostCommands, ADriverWithFewerInputsDisconnectsTheRoutesAboveAndRecountsTheUses) {
    FakeSetup sixteen = devices({{48000, 32, 64, 2}}, {});
    for (int c = 1; c <= 16; ++c) sixteen.inputs.push_back("In " + std::to_string(c));
    addBackend("Sixteen", sixteen);
    addBackend("Stereo");
    start();
    for (int k = 0; k < 3; ++k) run(TorvHost::addCommand);
    run(TorvHost::routeCommand + 3);
    run(TorvHost::inputCommand + 9);
    EXPECT_EQ(routeLabels(), (Texts{"1. In 1", "2. In 2", "3. In 3", "4. In 10"}));

    EXPECT_EQ(run(TorvHost::driverCommand + 1), VX_OK);
    EXPECT_EQ(routeLabels(), (Texts{"1. Left", "2. Right", "3. Unconnected", "4. Unconnected"}));
    EXPECT_EQ(host->routes[2].input, -1);
    EXPECT_EQ(uses(), (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(ui.texts(HostMenu::channel)[2], "3. Unconnected");
    EXPECT_EQ(ui.checked(HostMenu::audio), (Ids{0x1001}));
    EXPECT_EQ(ui.checked(HostMenu::input), Ids{}); // route 4 is selected, and unconnected
    EXPECT_EQ(backends[0]->calls, (Texts{"init", "mode", "free", "exit"}));
    EXPECT_EQ(backends[1]->calls, (Texts{"init", "mode"}));

    // Back to sixteen inputs: the unconnected routes stay so, the counts follow the routes,
    // and a new route finds input 3 free.
    run(TorvHost::driverCommand + 0);
    EXPECT_EQ(uses(), (std::vector<int32_t>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    run(TorvHost::addCommand);
    EXPECT_EQ(host->routes[4].label, std::string("5. In 3"));
}

TEST_F(HostCommands, ChoosingAModeSendsItsRateToEveryEffect) {
    addBackend("Rates", devices({{44100, 32, 64, 2}, {96000, 24, 128, 2}}));
    start();
    run(TorvHost::addCommand);
    auto rateOf = [](const TorvHost::Route& r) {
        return static_cast<int>(static_cast<AudioEffect*>(r.effect->object)->getSampleRate());
    };
    EXPECT_EQ(rateOf(host->routes[0]), 44100);
    EXPECT_EQ(rateOf(host->routes[1]), 44100);
    EXPECT_EQ(run(TorvHost::modeCommand + 1), VX_OK);
    EXPECT_EQ(rateOf(host->routes[0]), 96000);
    EXPECT_EQ(rateOf(host->routes[1]), 96000);
    EXPECT_EQ(ui.checked(HostMenu::mode), (Ids{0x2001}));
    EXPECT_EQ(host->blockLength, 128);
    // The same mode again passes through free and mode.
    run(TorvHost::modeCommand + 1);
    EXPECT_EQ(backends[0]->calls, (Texts{"init", "mode", "free", "mode", "free", "mode"}));
    // Indices past the tables are no command at all.
    EXPECT_EQ(run(TorvHost::modeCommand + 2), TorvHost::refused);
    EXPECT_EQ(run(TorvHost::driverCommand + 5), TorvHost::refused);
    EXPECT_EQ(run(TorvHost::inputCommand + 2), TorvHost::refused);
    EXPECT_EQ(run(TorvHost::routeCommand + 7), TorvHost::refused);
    EXPECT_EQ(run(0x8123), VX_OK);
    EXPECT_EQ(backends[0]->calls.size(), 6u);
}

struct DriverFailure {
    const char* operation;
    std::vector<std::string> reports;
    bool secondChecked;
};

class HostDriverFailures : public HostFixture, public testing::WithParamInterface<DriverFailure> {};

// The second driver fails at one step when it is chosen; the host reports it, keeps what it
// reached, and the first driver can still be chosen and runs.
TEST_P(HostDriverFailures, AreReportedAndTheOtherDriverStillRuns) {
    const DriverFailure f = GetParam();
    addBackend("Good");
    FakeSetup bad;
    bad.failing = {f.operation};
    addBackend("Bad", bad);
    start();
    boxes.boxes.clear();
    EXPECT_NE(run(TorvHost::driverCommand + 1), VX_OK);
    EXPECT_EQ(reports(), f.reports);
    EXPECT_EQ(ui.checked(HostMenu::audio), f.secondChecked ? Ids{0x1001} : Ids{});
    EXPECT_EQ(ui.checked(HostMenu::mode), Ids{});
    EXPECT_EQ(host->currentMode, -1);

    boxes.boxes.clear();
    EXPECT_EQ(run(TorvHost::driverCommand + 0), VX_OK);
    EXPECT_EQ(reports(), Texts{});
    EXPECT_EQ(ui.checked(HostMenu::audio), (Ids{0x1000}));
    EXPECT_EQ(ui.checked(HostMenu::mode), (Ids{0x2000}));
    EXPECT_EQ(routeLabels(), (Texts{"1. Left"}));
    backends[0]->block(&testInput);
    EXPECT_EQ(host->blocksProcessed.load(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, HostDriverFailures,
    testing::Values(DriverFailure{"init", {"Audio operating error in menu_driver"}, false},
                    DriverFailure{"mode", {"Cannot open audio device in menu_mode"}, true}),
    [](const testing::TestParamInfo<DriverFailure>& i) { return std::string(i.param.operation); });

TEST_F(HostCommands, ADriverThatWillNotStopIsReportedAndLetGoForTheNextOne) {
    FakeSetup stubborn;
    stubborn.failing = {"free"};
    addBackend("Stubborn", stubborn);
    addBackend("Other");
    start();
    boxes.boxes.clear();
    // Choosing another mode stops at the failing step.
    EXPECT_NE(run(TorvHost::modeCommand + 0), VX_OK);
    EXPECT_EQ(reports(), (Texts{"Cannot stop input audio device in menu_mode"}));
    EXPECT_EQ(ui.checked(HostMenu::mode), (Ids{0x2000}));
    // Choosing another driver says so, and goes on to the other driver.
    EXPECT_EQ(run(TorvHost::driverCommand + 1), VX_OK);
    EXPECT_EQ(reports().back(), "Cannot stop input audio device in menu_driver");
    EXPECT_EQ(backends[0]->calls, (Texts{"init", "mode", "free", "free", "exit"}));
    EXPECT_EQ(ui.checked(HostMenu::audio), (Ids{0x1001}));
    EXPECT_EQ(ui.checked(HostMenu::mode), (Ids{0x2000}));
    backends[1]->block(&testInput);
    EXPECT_EQ(host->blocksProcessed.load(), 1u);

    // A driver marked running is stopped first; a mode that then fails on the new driver
    // gives the new driver the mark.
    backends[1]->start();
    backends[0]->setup.failing = {"mode"};
    boxes.boxes.clear();
    EXPECT_NE(run(TorvHost::driverCommand + 0), VX_OK);
    EXPECT_FALSE(backends[1]->running.load());
    EXPECT_TRUE(backends[0]->running.load());
    EXPECT_EQ(reports(), (Texts{"Cannot open audio device in menu_mode"}));
}

TEST_F(HostCommands, ACommandThatCannotHaveTheLockIsDroppedAndTheTitleSaysSo) {
    addBackend("Stereo");
    start();
    std::atomic<bool> holding{false}, release{false};
    std::thread audio([&] {
        ASSERT_TRUE(host->hostLock().lock(1000));
        holding = true;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        host->hostLock().unlock();
    });
    while (!holding) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(run(TorvHost::addCommand), TorvHost::busy);
    EXPECT_EQ(host->routeCount, 1);
    EXPECT_EQ(host->commandsDropped.load(), 1u);
    EXPECT_EQ(ui.title,
              "www.torvaudio.net 3-rd order Butterworth high-pass - audio busy: \"Add\" was not "
              "carried out, please try again");
    // Help needs no lock.
    EXPECT_EQ(run(TorvHost::helpCommand), VX_OK);
    EXPECT_EQ(ui.pages, (Texts{"https://www.torvaudio.net/"}));
    release = true;
    audio.join();
    EXPECT_EQ(run(TorvHost::addCommand), VX_OK);
    EXPECT_EQ(ui.title, "www.torvaudio.net 3-rd order Butterworth high-pass");
    EXPECT_EQ(host->routeCount, 2);
}

// A driver that dispatches messages inside a command (its own dialog, a COM call) can bring
// another command in halfway: that one is dropped, and said so.
TEST_F(HostCommands, ACommandArrivingInsideAnotherIsDroppedAndShutdownEndsThemAll) {
    FakeRts* rts = addBackend("Talkative");
    start();
    VX_error nested = VX_OK;
    rts->duringInit = [&] { nested = run(TorvHost::addCommand); };
    EXPECT_EQ(run(TorvHost::driverCommand + 0), VX_OK);
    EXPECT_EQ(nested, TorvHost::busy);
    EXPECT_EQ(host->routeCount, 1);
    EXPECT_NE(ui.title.find("\"Add\" was not carried out"), std::string::npos) << ui.title;
    rts->duringInit = nullptr;

    host->shutDown();
    EXPECT_EQ(run(TorvHost::addCommand), TorvHost::refused);
    EXPECT_EQ(run(TorvHost::driverCommand + 0), TorvHost::refused);
    EXPECT_EQ(host->routeCount, 0);
}

TEST_F(HostCommands, ARestartRequestSelectsTheDriverAgainInTheModeItRan) {
    FakeRts* rts = addBackend("Resettable", devices({{44100, 32, 64, 2}, {48000, 32, 64, 2}}));
    start();
    run(TorvHost::modeCommand + 1);
    rts->setup.modes = {{44100, 32, 128, 2}, {48000, 32, 128, 2}}; // a new buffer size
    rts->calls.clear();
    EXPECT_EQ(host->serveRestart(rts), VX_OK);
    EXPECT_EQ(rts->calls, (Texts{"free", "exit", "init", "mode", "free", "mode"}));
    EXPECT_EQ(ui.checked(HostMenu::mode), (Ids{0x2001}));
    EXPECT_EQ(host->blockLength, 128);
    EXPECT_EQ(routeLabels(), (Texts{"1. Left"}));
    // A request of a driver that is not current is not served.
    FakeRts other("Other", FakeSetup{});
    EXPECT_EQ(host->serveRestart(&other), VX_OK);
    EXPECT_TRUE(other.calls.empty());
}

TEST_F(HostCommands, ShutdownStopsTheStreamBeforeClosingTheEffects) {
    addBackend("Stereo");
    start();
    run(TorvHost::addCommand);
    host->shutDown();
    EXPECT_EQ(backends[0]->calls, (Texts{"init", "mode", "free", "exit"}));
    EXPECT_EQ(host->routeCount, 0);
    EXPECT_EQ(host->currentDriver, -1);
    EXPECT_EQ(host->blockLength, 0);
    host.reset();
}

} // namespace
