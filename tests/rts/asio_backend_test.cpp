// The ASIO backend over stand-in drivers: instances, modes and channels, the buffer switches,
// the answers to the driver's messages and the restart they lead to, each failing call with its
// report, and a driver thread switching while the user interface thread stops the stream.
#include "rts/fake_asio.h"
#include "rts/rts_test_util.h"
#include "support/capture.h"

// The runtime's parts behind its seams (drivers, calls, backends), tested directly.
#include "VX/Rts/Asio/VX_Asio_drivers.h"
#include "VX/Rts/Asio/VX_Rts_Asio.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const clsidA = "{11111111-2222-3333-4444-555555555555}";
const char* const clsidB = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";

std::atomic<int> blocks{0};
std::vector<std::vector<void*>>* pointers = nullptr;

void recordBlock() {
    ++blocks;
    if (!pointers) return;
    std::vector<void*> seen;
    VX_Rts_Asio* rts = VX_Rts_Asio::current();
    rts->inputs.forEach<VX_Rts::Chan>([&](VX_Rts::Chan* c) { seen.push_back(c->data); });
    rts->outputs.forEach<VX_Rts::Chan>([&](VX_Rts::Chan* c) { seen.push_back(c->data); });
    pointers->push_back(seen);
}

class RtsAsio : public ::testing::Test {
protected:
    void SetUp() override { blocks = 0; }
    void TearDown() override {
        VX_Rts_Asio::classCleanup();
        VX_asio_use_system(nullptr);
        VX_Rts::setRestartNotifier(nullptr);
        pointers = nullptr;
    }
    // The instances for the drivers added so far.
    VX_Rts_Asio* instance(int index) {
        if (!VX_Rts_Asio::instances.count) {
            VX_asio_use_system(&system);
            EXPECT_EQ(VX_Rts_Asio::classInit(&recordBlock), VX_OK);
        }
        VX_Chain_Item* item = VX_Rts_Asio::instances.first();
        while (index-- > 0) item = item->next;
        return static_cast<VX_Rts_Asio*>(item->data);
    }
    FakeDriver* driver() { return system.created.back(); }
    VX_Rts_Asio* streaming(const FakeDriverSetup& setup = {}) {
        system.addDriver("a", clsidA, "Driver A", setup);
        VX_Rts_Asio* rts = instance(0);
        EXPECT_EQ(rts->init(), VX_OK);
        EXPECT_EQ(rts->mode(rts->modeAt(0)), VX_OK);
        return rts;
    }
    FakeSystem system;
};

TEST_F(RtsAsio, OneInstancePerDriverNamedAfterIt) {
    system.addDriver("a", clsidA, "Driver A", {});
    system.addDriver("b", clsidB, "An ASIO driver with a very long description", {});
    EXPECT_STREQ(instance(0)->name, "Driver A");
    EXPECT_STREQ(instance(1)->name, "An ASIO driver with a very l...");
    EXPECT_EQ(VX_Rts_instances.count, 2);
    EXPECT_EQ(VX_Rts_instances.first()->data, instance(0));
    VX_Rts_Asio::classCleanup();
    EXPECT_EQ(VX_Rts_instances.count, 0);
    EXPECT_EQ(system.comInitialised, 0);
}

TEST_F(RtsAsio, ModesComeFromTheRatesTheDriverCanRun) {
    FakeDriverSetup setup;
    setup.rates = {44100, 48000};
    setup.inputTypes.assign(6, ASIOSTInt24LSB);
    system.addDriver("a", clsidA, "Driver A", setup);
    VX_Rts_Asio* rts = instance(0);
    ASSERT_EQ(rts->init(), VX_OK);
    ASSERT_EQ(rts->modes.count, 2);
    EXPECT_STREQ(rts->modeAt(0)->label, " 48.0 kHz, 32 bit, 6 ch"); // 32 bit whatever the type
    EXPECT_STREQ(rts->modeAt(1)->label, " 44.1 kHz, 32 bit, 6 ch");
    EXPECT_EQ(rts->modeAt(0)->frames, 256);
    EXPECT_EQ(VX_Rts_Asio::current(), rts);
    EXPECT_EQ(driver()->count("canSampleRate"), 4);
}

TEST_F(RtsAsio, UsesSixteenChannelsOfEachDirectionAtMost) {
    FakeDriverSetup setup;
    setup.inputTypes.assign(24, ASIOSTFloat32LSB);
    setup.outputTypes.assign(24, ASIOSTInt16LSB);
    VX_Rts_Asio* rts = streaming(setup);
    EXPECT_EQ(rts->inputs.count, 16);
    EXPECT_EQ(rts->outputs.count, 16);
    EXPECT_EQ(rts->bufferInfoCount, 32);
    EXPECT_EQ(driver()->infos.size(), 32u);
}

TEST_F(RtsAsio, ChannelsOfUnusableTypesAreLeftOut) {
    FakeDriverSetup setup;
    setup.inputTypes = {ASIOSTInt16MSB, ASIOSTFloat64LSB, ASIOSTDSDInt8LSB1, ASIOSTInt32LSB24};
    setup.inputNames = {"Mic", "Line L", "DSD", "Line R"};
    setup.outputTypes = {ASIOSTInt32MSB, ASIOSTInt24LSB};
    VX_Rts_Asio* rts = streaming(setup);
    ASSERT_EQ(rts->inputs.count, 2);
    EXPECT_EQ(rts->inputCount, 2);
    EXPECT_STREQ(rts->inputAt(0)->name, "Line L");
    EXPECT_EQ(rts->inputAt(0)->number, 1);
    EXPECT_EQ(rts->inputAt(0)->format, VX_RTS_FLOAT64);
    EXPECT_EQ(rts->inputAt(1)->number, 3);
    ASSERT_EQ(rts->outputs.count, 1);
    EXPECT_EQ(rts->outputAt(0)->number, 1);
    EXPECT_EQ(rts->outputAt(0)->count, 256);
    // The buffer infos: inputs first, each with its channel number.
    EXPECT_EQ(rts->bufferInfoCount, 3);
    EXPECT_EQ(rts->bufferInfos[0].isInput, 1);
    EXPECT_EQ(rts->bufferInfos[1].channelNum, 3);
    EXPECT_EQ(rts->bufferInfos[2].isInput, 0);
    EXPECT_EQ(rts->bufferInfos[2].channelNum, 1);
    // A driver whose channels are all big-endian offers none.
    FakeDriverSetup big;
    big.inputTypes = {ASIOSTInt16MSB, ASIOSTInt16MSB};
    big.outputTypes = {ASIOSTInt16MSB};
    system.addDriver("b", clsidB, "Driver B", big);
    VX_Rts_Asio::classCleanup();
    VX_Rts_Asio* b = instance(1);
    ASSERT_EQ(b->init(), VX_OK);
    EXPECT_EQ(b->inputs.count, 0);
    ASSERT_EQ(b->mode(b->modeAt(0)), VX_OK);
    EXPECT_EQ(b->outputs.count, 0);
}

TEST_F(RtsAsio, EachSwitchPointsTheChannelsAtItsHalf) {
    std::vector<std::vector<void*>> seen;
    pointers = &seen;
    VX_Rts_Asio* rts = streaming();
    FakeDriver* d = driver();
    EXPECT_EQ(d->rate, 48000);
    EXPECT_EQ(d->bufferSize, 256);
    EXPECT_TRUE(d->started);
    d->bufferSwitch(1);
    d->bufferSwitch(0, true); // the time-info switch processes the block as well
    ASSERT_EQ(seen.size(), 2u);
    for (int half = 0; half < 2; ++half)
        for (size_t k = 0; k < 4; ++k) EXPECT_EQ(seen[half][k], d->infos[k].buffers[1 - half]);
    d->bufferSwitch(2); // no such half
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(rts->free(), VX_OK);
    d->bufferSwitch(0); // after free: nothing is touched
    EXPECT_EQ(blocks, 2);
}

TEST_F(RtsAsio, DoublesAndPackedSamplesConvertThroughTheSwitch) {
    FakeDriverSetup setup;
    setup.inputTypes = {ASIOSTFloat64LSB};
    setup.outputTypes = {ASIOSTInt24LSB};
    VX_Rts_Asio* rts = streaming(setup);
    static std::vector<float> host(256);
    static VX_Rts* stream;
    stream = rts;
    VX_Rts_Asio::classInit([] {
        VX_Rts::Chan f("host", VX_RTS_FLOAT32, 256);
        f.data = host.data();
        VX_Rts::copyBuffer(&f, stream->inputAt(0));
        VX_Rts::copyBuffer(stream->outputAt(0), &f);
    });
    FakeDriver* d = driver();
    auto* in = static_cast<double*>(d->infos[0].buffers[0]);
    for (int i = 0; i < 256; ++i) in[i] = (i - 128) / 128.0;
    in[1] = 0.1; // a value whose low four bytes alone would read as nonsense
    d->bufferSwitch(0);
    EXPECT_EQ(host[1], 0.1f);
    auto* out = static_cast<unsigned char*>(d->infos[1].buffers[0]);
    // -1.0 in the first sample: -2147483647 >> 8 = 0x800000.
    EXPECT_EQ(out[0] | out[1] << 8 | out[2] << 16, 0x800000);
}

TEST_F(RtsAsio, AnswersTheDriversMessages) {
    streaming();
    FakeDriver* d = driver();
    for (int32_t asked : {2, 3, 4, 5, 6, 7, 8, 10}) EXPECT_EQ(d->message(1, asked), 1) << asked;
    for (int32_t asked : {0, 1, 9, 11, 12, 13, 14, 15, 16})
        EXPECT_EQ(d->message(1, asked), 0) << asked;
    EXPECT_EQ(d->message(2, 0), 2);
    EXPECT_EQ(d->message(5, 0), 1);
    EXPECT_EQ(d->message(6, 0), 1);
    EXPECT_EQ(d->message(7, 0), 1);
    for (int32_t selector : {0, 8, 9, 15, 99}) EXPECT_EQ(d->message(selector, 0), 0) << selector;
    d->callbacks->sampleRateDidChange(44100.0); // noted by nobody: the stream goes on
    EXPECT_TRUE(d->started);
}

struct Restarts {
    std::vector<VX_Rts*> requested;
};
Restarts* restarts = nullptr;

TEST_F(RtsAsio, AResetRequestOrANewBufferSizeBringsTheStreamBackOnTheUiThread) {
    Restarts r;
    restarts = &r;
    VX_Rts::setRestartNotifier([](VX_Rts* rts) { restarts->requested.push_back(rts); });
    VX_Rts_Asio* rts = streaming();
    for (int32_t selector : {kAsioResetRequest, kAsioBufferSizeChange}) {
        r.requested.clear();
        FakeDriver* d = driver();
        EXPECT_EQ(d->message(selector, 512), 1);
        ASSERT_EQ(r.requested, std::vector<VX_Rts*>{rts}); // noted, nothing done yet
        EXPECT_TRUE(d->started);
        EXPECT_EQ(d->count("stop"), 0);
        // The user interface thread serves it: the driver comes back with its new size.
        system.classes.begin()->second.preferred = 512;
        ASSERT_EQ(rts->restart(), VX_OK);
        FakeDriver* fresh = driver();
        EXPECT_NE(fresh, d);
        EXPECT_EQ(d->references, 0);
        EXPECT_EQ(fresh->bufferSize, 512);
        EXPECT_EQ(rts->currentMode()->frames, 512);
        const int before = blocks;
        fresh->bufferSwitch(0);
        EXPECT_EQ(blocks, before + 1);
    }
    restarts = nullptr;
}

TEST_F(RtsAsio, EachFailingCallIsReportedAndAnotherDriverCanStillBeChosen) {
    struct Case {
        const char* method;
        const char* report;
        const char* function;
        bool inMode;
    } cases[] = {{"init", "ASIOInit", "VX_Rts_Asio::init", false},
                 {"getChannels", "ASIOGetChannels", "VX_Rts_Asio::init", false},
                 {"getBufferSize", "ASIOGetBufferSize", "VX_Rts_Asio::init", false},
                 {"setSampleRate", "ASIOSetSampleRate", "VX_Rts_Asio::mode", true},
                 {"createBuffers", "ASIOCreateBuffers", "VX_Rts_Asio::mode", true},
                 {"start", "ASIOStart", "VX_Rts_Asio::mode", true},
                 {"stop", "ASIOStop", "VX_Rts_Asio::free", true}};
    FakeDriverSetup good;
    system.addDriver("good", clsidB, "Good", good);
    for (const Case& c : cases) {
        FakeDriverSetup setup;
        setup.failing = {c.method};
        system.classes.erase("{11111111-2222-3333-4444-555555555555}");
        system.addDriver("bad", clsidA, "Bad", setup);
        VX_Rts_Asio::classCleanup();
        VX_Rts_Asio* bad = instance(1);
        VX_Rts_Asio* other = instance(0);
        ASSERT_STREQ(bad->name, "Bad");
        BoxCapture boxes;
        VX_error e = bad->init();
        if (c.inMode) {
            ASSERT_EQ(e, VX_OK) << c.method;
            e = bad->mode(bad->modeAt(0));
            if (std::string(c.method) == "stop") {
                ASSERT_EQ(e, VX_OK);
                e = bad->free();
            }
        }
        EXPECT_EQ(e, VX_ERROR_AUDIO) << c.method;
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.method;
        const std::string& text = boxes.boxes[0].text;
        EXPECT_EQ(text.find(std::string("Error: ") + c.report + "\nFile: VX/Rts/Asio\n"), 0u)
            << text;
        EXPECT_NE(text.find(std::string("Proc: ") + c.function + "\n"), std::string::npos) << text;
        EXPECT_EQ(boxes.boxes[0].caption, "ERROR");

        // The runtime goes on: the broken driver is left, another one runs.
        driver()->setup.failing.clear();
        bad->free();
        bad->exit();
        ASSERT_EQ(other->init(), VX_OK) << c.method;
        ASSERT_EQ(other->mode(other->modeAt(0)), VX_OK) << c.method;
        const int before = blocks;
        driver()->bufferSwitch(0);
        EXPECT_EQ(blocks, before + 1) << c.method;
        other->exit();
        EXPECT_EQ(boxes.boxes.size(), 1u) << c.method;
    }
}

TEST_F(RtsAsio, ADriverThatCannotRateOffersNoMode) {
    FakeDriverSetup setup;
    setup.failing = {"canSampleRate"};
    system.addDriver("a", clsidA, "Driver A", setup);
    BoxCapture boxes;
    ASSERT_EQ(instance(0)->init(), VX_OK);
    EXPECT_EQ(instance(0)->modes.count, 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(RtsAsio, FreeAfterAFailedModeStopsNothingThatDidNotStart) {
    for (const char* method : {"setSampleRate", "createBuffers", "start"}) {
        FakeDriverSetup setup;
        setup.failing = {method};
        system.classes.clear();
        system.addDriver("a", clsidA, "Driver A", setup);
        VX_Rts_Asio::classCleanup();
        VX_Rts_Asio* rts = instance(0);
        BoxCapture boxes;
        ASSERT_EQ(rts->init(), VX_OK);
        EXPECT_EQ(rts->mode(rts->modeAt(0)), VX_ERROR_AUDIO);
        EXPECT_NE(rts->currentMode(), nullptr); // recorded, as after any failed mode
        EXPECT_EQ(rts->free(), VX_OK) << method;
        EXPECT_EQ(driver()->count("stop"), 0) << method;
        // Buffers that were made are given back, none that were not.
        EXPECT_EQ(driver()->count("disposeBuffers"), std::string(method) == "start" ? 1 : 0)
            << method;
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }
}

TEST_F(RtsAsio, BuffersAreGivenBackSoThatTheNextModeCanMakeThem) {
    VX_Rts_Asio* rts = streaming();
    FakeDriver* d = driver();
    ASSERT_EQ(rts->free(), VX_OK);
    EXPECT_EQ(d->count("stop"), 1);
    EXPECT_EQ(d->count("disposeBuffers"), 1);
    EXPECT_EQ(rts->outputs.count, 0);
    ASSERT_EQ(rts->mode(rts->modeAt(1)), VX_OK); // 44100 Hz
    EXPECT_EQ(d->rate, 44100);
    EXPECT_EQ(d->count("createBuffers"), 2);
    // A mode without free in between stops and gives back first.
    ASSERT_EQ(rts->mode(rts->modeAt(0)), VX_OK);
    EXPECT_EQ(d->count("stop"), 2);
    ASSERT_EQ(rts->exit(), VX_OK);
    EXPECT_EQ(d->count("stop"), 3);
    EXPECT_EQ(d->references, 0);
}

TEST_F(RtsAsio, ExitClosesOnlyTheDriverThisInstanceLoaded) {
    system.addDriver("a", clsidA, "Driver A", {});
    system.addDriver("b", clsidB, "Driver B", {});
    VX_Rts_Asio* a = instance(0);
    VX_Rts_Asio* b = instance(1);
    ASSERT_EQ(a->init(), VX_OK);
    ASSERT_EQ(b->init(), VX_OK); // loading B closed A's driver
    FakeDriver* dB = driver();
    ASSERT_EQ(a->exit(), VX_OK);
    EXPECT_EQ(dB->references, 1);
    ASSERT_EQ(b->mode(b->modeAt(0)), VX_OK);
    dB->bufferSwitch(0);
    EXPECT_EQ(blocks, 1);
}

TEST_F(RtsAsio, ANewModeClearsTheConversionLatch) {
    std::vector<int16_t> x(3), y(2);
    convert(y, VX_RTS_INT16, x, VX_RTS_INT16);
    ASSERT_TRUE(VX_Rts::conversionLatched());
    streaming();
    EXPECT_FALSE(VX_Rts::conversionLatched());
}

TEST_F(RtsAsio, StopWhileTheDriverThreadSwitches) {
    VX_Rts_Asio* rts = streaming();
    for (int round = 0; round < 50; ++round) {
        FakeDriver* d = driver();
        std::atomic<bool> stop{false};
        ASIOCallbacks* cb = d->callbacks;
        std::thread thread([&] {
            for (int32_t i = 0; !stop; i ^= 1) cb->bufferSwitch(i, 1);
        });
        const int target = blocks + 10;
        while (blocks < target) std::this_thread::yield();
        EXPECT_EQ(rts->free(), VX_OK);
        const int after = blocks;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(blocks, after); // nothing processed once free has returned
        stop = true;
        thread.join();
        ASSERT_EQ(rts->mode(rts->modeAt(round % 2)), VX_OK);
    }
}

} // namespace
