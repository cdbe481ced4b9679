// The ASIO backend end to end against the test driver as Wine's regsvr32 registered it: the
// driver list from the registry, every usable sample type from known input to recorded output,
// each failing driver call with its report, the restart a driver asks for, and the ways real
// drivers were seen to behave.
#include "rts/asio_fixture_util.h"
#include "support/capture.h"

// The runtime's parts behind its seams (drivers, calls, backends), tested directly.
#include "VX/Rts/Asio/VX_Asio_drivers.h"
#include "VX/Rts/Asio/VX_Rts_Asio.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace asiotest;

class RtsAsioDriver : public ::testing::Test {
protected:
    void SetUp() override { PassThrough::reset(); }
    void TearDown() override {
        VX_Rts_Asio::classCleanup();
        VX_Rts::setRestartNotifier(nullptr);
        configure(0, "");
        configure(1, "");
    }
    VX_Rts_Asio* named(const std::string& name) {
        if (!VX_Rts_Asio::instances.count)
            EXPECT_EQ(VX_Rts_Asio::classInit(&PassThrough::process), VX_OK);
        VX_Rts_Asio* found = nullptr;
        VX_Rts_Asio::instances.forEach<VX_Rts_Asio>([&](VX_Rts_Asio* r) {
            if (!found && name == r->name) found = r;
        });
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // init, the first mode, `blocks` blocks, free, exit.
    void run(VX_Rts_Asio* rts, int blocks) {
        ASSERT_EQ(rts->init(), VX_OK);
        ASSERT_GT(rts->modes.count, 0);
        ASSERT_EQ(rts->mode(rts->modeAt(0)), VX_OK);
        EXPECT_TRUE(waitFor([&] { return PassThrough::blocks >= blocks; }, 20000))
            << PassThrough::blocks;
        EXPECT_EQ(rts->free(), VX_OK);
        EXPECT_EQ(rts->exit(), VX_OK);
    }
};

std::vector<std::string> instanceNames() {
    std::vector<std::string> names;
    for (VX_Chain_Item* i = VX_Rts_instances.first(); !VX_Rts_instances.isEnd(i); i = i->next)
        names.push_back(static_cast<VX_Rts*>(i->data)->name);
    return names;
}

TEST_F(RtsAsioDriver, ListsTheRegisteredDrivers) {
    named("Torv Test ASIO");
    EXPECT_EQ(instanceNames(), (std::vector<std::string>{"Torv Test ASIO", "Torv Test ASIO 2"}));
}

// Entries this test adds to the registry beside the test driver's own, removed again after it.
class RtsAsioRegistry : public RtsAsioDriver {
protected:
    void TearDown() override {
        RtsAsioDriver::TearDown();
        for (const char* key : {"Torv Long", "Torv Unregistered", "Torv Duplicate"})
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("SOFTWARE\\ASIO\\") + key).c_str());
    }
    static void add(const char* key, const char* clsid, const char* description) {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                  (std::string("SOFTWARE\\ASIO\\") + key).c_str(),
                                  0,
                                  nullptr,
                                  0,
                                  KEY_WRITE,
                                  nullptr,
                                  &k,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k,
                       "CLSID",
                       0,
                       REG_SZ,
                       reinterpret_cast<const BYTE*>(clsid),
                       static_cast<DWORD>(strlen(clsid) + 1));
        RegSetValueExA(k,
                       "Description",
                       0,
                       REG_SZ,
                       reinterpret_cast<const BYTE*>(description),
                       static_cast<DWORD>(strlen(description) + 1));
        RegCloseKey(k);
    }
};

TEST_F(RtsAsioRegistry, NamesAreCutEntriesWithoutServersLeftOutDuplicatesLoadTheFirst) {
    const char* second = "{5A1F0C8E-7D3B-4E21-9C6A-0B7E5D4C3A22}";
    add("Torv Long", second, "A driver description of forty characters");
    add("Torv Unregistered", "{5A1F0C8E-0000-0000-0000-000000000000}", "Nobody");
    add("Torv Duplicate", second, "Torv Test ASIO 2"); // the same class: no other test minds
    VX_asio_drivers_destroy();
    VX_Asio_Drivers* list = VX_asio_drivers(true);
    std::vector<std::string> names;
    char name[32];
    for (int32_t i = 0; i < list->count(); ++i) {
        list->name(i, name, 32);
        names.push_back(name);
    }
    // Wine enumerates keys in name order.
    EXPECT_EQ(names,
              (std::vector<std::string>{"Torv Test ASIO 2",
                                        "A driver description of fort...",
                                        "Torv Test ASIO",
                                        "Torv Test ASIO 2"}));
    ASSERT_TRUE(list->load("Torv Test ASIO 2"));
    EXPECT_EQ(list->currentIndex, 0); // the first of the two
    ASSERT_TRUE(list->load("A driver description of fort..."));
    EXPECT_EQ(list->currentIndex, 1);
    VX_asio_drivers_destroy();
}

class RtsAsioSampleTypes : public RtsAsioDriver,
                           public ::testing::WithParamInterface<const char*> {};

TEST_P(RtsAsioSampleTypes, KnownInputComesBackAsRecordedOutput) {
    const std::string type = GetParam();
    const std::string prefix = recording("type-" + type);
    configure(0,
              "inputs=2 outputs=2 types=" + type +
                  " rates=48000 buffer=128 period=0 blocks=40 record=" + prefix);
    VX_Rts_Asio* rts = named("Torv Test ASIO");
    run(rts, 40);
    VX_Rts_Asio::classCleanup();
    const long t = testasio::sampleTypeOf(type);
    for (int k = 0; k < 2; ++k) {
        const auto out = readFile(prefix + ".out" + std::to_string(k) + ".raw");
        const auto expected = expectedOutput(k, t, t, 40, 128);
        ASSERT_EQ(out.size(), expected.size()) << "channel " << k;
        EXPECT_TRUE(out == expected) << "channel " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Usable, RtsAsioSampleTypes,
                         ::testing::Values("int16", "int24", "int32", "float32", "float64",
                                           "int32lsb16", "int32lsb18", "int32lsb20", "int32lsb24"));

TEST_F(RtsAsioDriver, MixedTypesConvertBetweenInputAndOutput) {
    const std::string prefix = recording("mixed");
    configure(0,
              "inputs=2 outputs=2 intypes=float64,int16 outtypes=int24,float32 buffer=64 period=0 "
              "blocks=10 "
              "record=" +
                  prefix);
    run(named("Torv Test ASIO"), 10);
    VX_Rts_Asio::classCleanup();
    EXPECT_TRUE(readFile(prefix + ".out0.raw") == expectedOutput(0, 20, 17, 10, 64));
    EXPECT_TRUE(readFile(prefix + ".out1.raw") == expectedOutput(1, 16, 19, 10, 64));
}

TEST_F(RtsAsioDriver, ChannelsOfUnusableTypesAreLeftOut) {
    configure(
        0,
        "inputs=4 outputs=3 intypes=int16msb,int24,dsd,float32 outtypes=int32msb,int32,float64msb");
    VX_Rts_Asio* rts = named("Torv Test ASIO");
    ASSERT_EQ(rts->init(), VX_OK);
    ASSERT_EQ(rts->inputs.count, 2);
    EXPECT_STREQ(rts->inputAt(0)->name, "In 2");
    EXPECT_EQ(rts->inputAt(1)->number, 3);
    ASSERT_EQ(rts->mode(rts->modeAt(0)), VX_OK);
    ASSERT_EQ(rts->outputs.count, 1);
    EXPECT_EQ(rts->outputAt(0)->number, 1);
    EXPECT_TRUE(waitFor([] { return PassThrough::blocks >= 3; }, 20000));
}

struct Failure {
    const char* method;
    const char* report; // empty: none
    const char* proc;
};

class RtsAsioFailures : public RtsAsioDriver, public ::testing::WithParamInterface<Failure> {};

TEST_P(RtsAsioFailures, EndInTheReportAndTheOtherDriverStillRuns) {
    const Failure f = GetParam();
    configure(0, std::string("fail=") + f.method);
    configure(1, "period=1");
    VX_Rts_Asio* bad = named("Torv Test ASIO");
    BoxCapture boxes;
    VX_error e = bad->init();
    if (e == VX_OK && bad->modes.count) {
        e = bad->mode(bad->modeAt(0));
        if (e == VX_OK) e = bad->free();
    }
    if (*f.report) {
        EXPECT_EQ(e, VX_ERROR_AUDIO);
        ASSERT_GE(boxes.boxes.size(), 1u);
        const std::string& text = boxes.boxes[0].text;
        EXPECT_EQ(text.find(std::string("Error: ") + f.report + "\nFile: VX/Rts/Asio\n"), 0u)
            << text;
        EXPECT_NE(text.find(std::string("Proc: ") + f.proc + "\n"), std::string::npos) << text;
    } else {
        EXPECT_EQ(bad->modes.count, 0); // a driver that can run no rate offers no mode
        EXPECT_TRUE(boxes.boxes.empty());
    }
    bad->free(); // a driver that would not stop is asked again, and reported again
    bad->exit();
    const size_t reported = boxes.boxes.size();

    VX_Rts_Asio* good = named("Torv Test ASIO 2");
    run(good, 5);
    EXPECT_EQ(boxes.boxes.size(), reported);
}

INSTANTIATE_TEST_SUITE_P(
    EachCall, RtsAsioFailures,
    ::testing::Values(Failure{"init", "ASIOInit", "VX_Rts_Asio::init"},
                      Failure{"getChannels", "ASIOGetChannels", "VX_Rts_Asio::init"},
                      Failure{"getBufferSize", "ASIOGetBufferSize", "VX_Rts_Asio::init"},
                      Failure{"canSampleRate", "", ""},
                      Failure{"setSampleRate", "ASIOSetSampleRate", "VX_Rts_Asio::mode"},
                      Failure{"createBuffers", "ASIOCreateBuffers", "VX_Rts_Asio::mode"},
                      Failure{"start", "ASIOStart", "VX_Rts_Asio::mode"},
                      Failure{"stop", "ASIOStop", "VX_Rts_Asio::free"}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.method); });

HANDLE restartAsked = nullptr;

TEST_F(RtsAsioDriver, AResetRequestOrANewBufferSizeGivesAWorkingStreamAgain) {
    restartAsked = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    VX_Rts::setRestartNotifier(
        [](VX_Rts*) { SetEvent(restartAsked); }); // nothing more on that thread
    const std::string resetLog = recording("reset"), sizeLog = recording("sizechange");
    configure(0, "buffer=128 period=1 reset=10 record=" + resetLog);
    configure(1, "buffer=128 period=1 sizechange=10:256 record=" + sizeLog);
    for (const char* name : {"Torv Test ASIO", "Torv Test ASIO 2"}) {
        VX_Rts_Asio* rts = named(name);
        ASSERT_EQ(rts->init(), VX_OK);
        ASSERT_EQ(rts->mode(rts->modeAt(0)), VX_OK);
        ASSERT_EQ(WaitForSingleObject(restartAsked, 20000), WAIT_OBJECT_0) << name;
        EXPECT_TRUE(rts->restartRequested());
        // On this thread, as the host's posted message would have it.
        ASSERT_EQ(rts->restart(), VX_OK);
        const int before = PassThrough::blocks;
        EXPECT_TRUE(waitFor([&] { return PassThrough::blocks >= before + 10; }, 20000)) << name;
        EXPECT_EQ(rts->currentMode()->frames, rts == named("Torv Test ASIO") ? 128 : 256);
        rts->exit();
    }
    VX_Rts_Asio::classCleanup();
    const auto reset = logLines(resetLog), size = logLines(sizeLog);
    EXPECT_EQ(countLines(reset, "reset request -> 1"), 1);
    EXPECT_EQ(countLines(reset, "start"), 2);
    EXPECT_EQ(countLines(size, "buffer size change 256 -> 1"), 1);
    EXPECT_EQ(countLines(size, "createBuffers 4 256"), 1);
    CloseHandle(restartAsked);
}

TEST_F(RtsAsioDriver, TheTimeInfoSwitchIsProcessed) {
    for (const char* kind : {"auto", "timeinfo", "plain"}) {
        PassThrough::reset();
        const std::string prefix = recording(std::string("switch-") + kind);
        configure(0, std::string("switch=") + kind + " period=0 blocks=8 record=" + prefix);
        run(named("Torv Test ASIO"), 8);
        VX_Rts_Asio::classCleanup();
        const auto lines = logLines(prefix);
        const bool timeInfo = std::string(kind) != "plain";
        EXPECT_EQ(countLines(lines, timeInfo ? "switch timeinfo" : "switch plain"), 8) << kind;
        EXPECT_EQ(countLines(lines, timeInfo ? "switch plain" : "switch timeinfo"), 0) << kind;
        // Asked on the caller's thread, inside createBuffers, only when left to decide.
        EXPECT_EQ(countLines(lines, "asked 1/7 -> 1, 7 -> 1, 8 -> 0 on the caller's thread"),
                  std::string(kind) == "auto" ? 1 : 0);
    }
}

TEST_F(RtsAsioDriver, ASwitchInsideStartRunsOnTheCallersThread) {
    const std::string prefix = recording("startswitch");
    configure(0, "startswitch=1 period=0 blocks=5 record=" + prefix);
    VX_Rts_Asio* rts = named("Torv Test ASIO");
    ASSERT_EQ(rts->init(), VX_OK);
    ASSERT_EQ(rts->mode(rts->modeAt(0)), VX_OK);
    EXPECT_GE(PassThrough::blocks, 1);
    EXPECT_EQ(PassThrough::firstThread, GetCurrentThreadId());
    EXPECT_TRUE(waitFor([] { return PassThrough::blocks >= 5; }, 20000));
    rts->exit();
    VX_Rts_Asio::classCleanup();
    EXPECT_EQ(countLines(logLines(prefix), "switch timeinfo 0 on the caller's thread"), 1);
}

TEST_F(RtsAsioDriver, AFixedDriverOffersOneMode) {
    configure(0, "fixed=1 rates=44100 buffer=192 period=0 blocks=3");
    VX_Rts_Asio* rts = named("Torv Test ASIO");
    ASSERT_EQ(rts->init(), VX_OK);
    ASSERT_EQ(rts->modes.count, 1);
    EXPECT_STREQ(rts->modeAt(0)->label, " 44.1 kHz, 32 bit, stereo");
    EXPECT_EQ(rts->modeAt(0)->frames, 192);
    rts->exit();
    run(rts, 3);
}

TEST_F(RtsAsioDriver, ADriverThatShutsDownOnReleaseIsReleasedOnlyWhenClosed) {
    const std::string prefix = recording("releaseshuts");
    configure(0, "releaseshuts=1 period=0 blocks=6 record=" + prefix);
    VX_Rts_Asio* rts = named("Torv Test ASIO");
    run(rts, 6);
    PassThrough::reset();
    run(rts, 6); // and again, with a new driver object
    VX_Rts_Asio::classCleanup();
    const auto lines = logLines(prefix);
    EXPECT_EQ(countLines(lines, "release shuts down"), 2); // once per object, at its close
    EXPECT_EQ(countLines(lines, "destroyed"), 2);
    EXPECT_EQ(countLines(lines, "switch"), 12);
}

TEST_F(RtsAsioDriver, ADriverThatNeverCallsBack) {
    configure(0, "silent=1");
    VX_Rts_Asio* rts = named("Torv Test ASIO");
    ASSERT_EQ(rts->init(), VX_OK);
    ASSERT_EQ(rts->mode(rts->modeAt(0)), VX_OK);
    Sleep(200);
    EXPECT_EQ(PassThrough::blocks, 0);
    const DWORD started = GetTickCount();
    EXPECT_EQ(rts->free(), VX_OK);
    EXPECT_EQ(rts->exit(), VX_OK);
    EXPECT_LT(GetTickCount() - started, 1000u);
}

} // namespace
