// The ASIO backend against the test driver registered from inside this process (through its
// DllRegisterServer), loaded by COM and driven through the forwarding object: on 32-bit
// Windows every driver method is a thiscall and every host callback a cdecl call, so a wrong
// convention anywhere shows here as a wrong value or a broken stack.
#include "rts/asio_fixture_util.h"

// The runtime's parts behind its seams (drivers, calls, backends), tested directly.
#include "VX/Rts/Asio/VX_Asio_calls.h"
#include "VX/Rts/Asio/VX_Asio_drivers.h"
#include "VX/Rts/Asio/VX_Rts_Asio.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace {

using namespace asiotest;

class RtsAsioInProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HMODULE module = LoadLibraryA(driverFile().c_str());
        ASSERT_NE(module, nullptr) << driverFile();
        auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "DllRegisterServer")));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
    }
    void SetUp() override { PassThrough::reset(); }
    void TearDown() override {
        VX_Rts_Asio::classCleanup();
        configure(0, "");
    }
    VX_Rts_Asio* named(const char* name) {
        if (!VX_Rts_Asio::instances.count)
            EXPECT_EQ(VX_Rts_Asio::classInit(&PassThrough::process), VX_OK);
        VX_Rts_Asio* found = nullptr;
        VX_Rts_Asio::instances.forEach<VX_Rts_Asio>([&](VX_Rts_Asio* r) {
            if (!found && std::strcmp(r->name, name) == 0) found = r;
        });
        return found;
    }
};

TEST_F(RtsAsioInProcess, StreamsKnownSamplesThroughTheHost) {
    for (const char* type : {"float32", "int24"}) {
        PassThrough::reset();
        const std::string prefix = recording(std::string("inprocess-") + type);
        configure(
            0,
            std::string("types=") + type +
                " rates=48000 fixed=1 buffer=64 period=0 blocks=12 startswitch=1 record=" + prefix);
        VX_Rts_Asio* rts = named("Torv Test ASIO");
        ASSERT_NE(rts, nullptr);
        ASSERT_EQ(rts->init(), VX_OK) << type;
        ASSERT_EQ(rts->modes.count, 1);
        EXPECT_STREQ(rts->modeAt(0)->label, " 48.0 kHz, 32 bit, stereo");
        ASSERT_EQ(rts->mode(rts->modeAt(0)), VX_OK);
        EXPECT_EQ(PassThrough::firstThread, GetCurrentThreadId()); // the switch inside start()
        EXPECT_TRUE(waitFor([] { return PassThrough::blocks >= 12; }, 20000));
        EXPECT_EQ(rts->free(), VX_OK);
        EXPECT_EQ(rts->exit(), VX_OK);
        VX_Rts_Asio::classCleanup(); // the driver is released: its recordings are complete

        const long t = testasio::sampleTypeOf(type);
        for (int k = 0; k < 2; ++k) {
            const auto out = readFile(prefix + ".out" + std::to_string(k) + ".raw");
            EXPECT_TRUE(out == expectedOutput(k, t, t, 12, 64))
                << type << " channel " << k << ": " << out.size();
        }
        const auto lines = logLines(prefix);
        EXPECT_EQ(countLines(lines, "switch timeinfo"), 12) << type;
        EXPECT_EQ(countLines(lines, "asked 1/7 -> 1, 7 -> 1, 8 -> 0 on the caller's thread"), 1);
    }
}

TEST_F(RtsAsioInProcess, EveryDriverMethodThroughTheForwardingObject) {
    configure(
        0,
        "inputs=3 outputs=1 types=int16 innames=A,B,C rates=44100,96000 buffer=32 min=16 max=64 "
        "granularity=16 period=0 blocks=4");
    VX_Asio_Drivers* list = VX_asio_drivers(true);
    ASSERT_TRUE(list->load("Torv Test ASIO"));
    ASIODriverInfo info{};
    info.asioVersion = 2;
    ASSERT_EQ(VX_asio_init(&info), ASE_OK);
    EXPECT_STREQ(info.name, "Torv Test ASIO");
    EXPECT_EQ(info.driverVersion, 1);

    VX_Asio_Forward f;
    f.driver = VX_asio_current();
    int32_t a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(f.getChannels(&a, &b), ASE_OK);
    EXPECT_EQ(a * 10 + b, 31);
    EXPECT_EQ(f.getLatencies(&a, &b), ASE_OK);
    EXPECT_EQ(a, 32);
    EXPECT_EQ(f.getBufferSize(&a, &b, &c, &d), ASE_OK);
    EXPECT_EQ(a, 16);
    EXPECT_EQ(b, 64);
    EXPECT_EQ(c, 32);
    EXPECT_EQ(d, 16);
    EXPECT_EQ(f.canSampleRate(96000.0), ASE_OK);
    EXPECT_EQ(f.canSampleRate(48000.0), ASE_NoClock);
    EXPECT_EQ(f.setSampleRate(96000.0), ASE_OK);
    double rate = 0;
    EXPECT_EQ(f.getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(rate, 96000.0);
    ASIOClockSource clocks[2] = {};
    int32_t count = 2;
    EXPECT_EQ(f.getClockSources(clocks, &count), ASE_OK);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(clocks[0].name, "Internal");
    EXPECT_EQ(f.setClockSource(0), ASE_OK);
    EXPECT_EQ(f.setClockSource(3), ASE_InvalidParameter);
    ASIOSamples position{9, 9};
    ASIOTimeStamp stamp{9, 9};
    EXPECT_EQ(f.getSamplePosition(&position, &stamp), ASE_OK);
    EXPECT_EQ(position.lo + position.hi, 0u);
    ASIOChannelInfo channel{};
    channel.channel = 2;
    channel.isInput = 1;
    EXPECT_EQ(f.getChannelInfo(&channel), ASE_OK);
    EXPECT_STREQ(channel.name, "C");
    EXPECT_EQ(channel.type, ASIOSTInt16LSB);
    EXPECT_EQ(f.controlPanel(), ASE_OK);
    EXPECT_EQ(f.future(1, nullptr), ASE_InvalidParameter);
    EXPECT_EQ(f.outputReady(), ASE_NotPresent);
    char name[32] = {}, error[124] = {};
    f.getDriverName(name);
    EXPECT_STREQ(name, "Torv Test ASIO");
    f.getErrorMessage(error);
    EXPECT_STREQ(error, "No error");

    // Buffers, a few switches with the host's own callbacks, and back.
    static std::atomic<int> switches;
    switches = 0;
    static ASIOCallbacks host = {[](int32_t, ASIOBool) { ++switches; },
                                 [](ASIOSampleRate) {},
                                 [](int32_t, int32_t, void*, double*) -> int32_t { return 0; },
                                 [](ASIOTime*, int32_t, ASIOBool) -> ASIOTime* { return nullptr; }};
    ASIOBufferInfo buffers[2] = {{1, 0, {}}, {0, 0, {}}};
    EXPECT_EQ(f.createBuffers(buffers, 2, 32, &host), ASE_OK);
    EXPECT_NE(buffers[1].buffers[1], nullptr);
    EXPECT_EQ(f.createBuffers(buffers, 2, 32, &host), ASE_InvalidMode); // give back first
    EXPECT_EQ(f.start(), ASE_OK);
    EXPECT_TRUE(
        waitFor([] { return switches >= 4; }, 20000)); // plain: the host said no to time info
    EXPECT_EQ(f.stop(), ASE_OK);
    EXPECT_EQ(f.disposeBuffers(), ASE_OK);

    // Its own COM methods never reach the driver.
    void* object = &f;
    EXPECT_EQ(f.queryInterface(nullptr, &object), static_cast<int32_t>(E_NOINTERFACE));
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(f.addRef(), 1u);
    EXPECT_EQ(f.release(), 1u);
    EXPECT_EQ(VX_asio_exit(), ASE_OK);
    VX_asio_drivers_destroy();
}

} // namespace
