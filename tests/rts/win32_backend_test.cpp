// The multimedia backend against stand-in wave devices: probing order, the buffer block, the
// completion routine with its priming rule, the draining stop with its bounded waits and
// retries, failed opens, and a device returning buffers from a thread of its own.
#include "rts/fake_wave.h"
#include "rts/rts_test_util.h"

// The runtime's parts behind its seams (drivers, calls, backends), tested directly.
#include "VX/Rts/VX_Rts_Win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

// Blocks seen by the processing callback: the channels' data, relative to the sample block.
struct Seen {
    std::vector<std::vector<long>> inputs, outputs;
};
Seen* seen = nullptr;
VX_Rts_Win32* served = nullptr;

long offsetIn(const VX_Rts::Chan* c) {
    return c->data ? static_cast<long>(static_cast<unsigned char*>(c->data) - served->block) : -1;
}

void recordBlock() {
    std::vector<long> in, out;
    served->inputs.forEach<VX_Rts::Chan>([&](VX_Rts::Chan* c) { in.push_back(offsetIn(c)); });
    served->outputs.forEach<VX_Rts::Chan>([&](VX_Rts::Chan* c) { out.push_back(offsetIn(c)); });
    seen->inputs.push_back(in);
    seen->outputs.push_back(out);
}

class RtsWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        seen = &blocks;
        VX_Rts_Win32::useWave(&wave);
        ASSERT_EQ(VX_Rts_Win32::classInit(&recordBlock), VX_OK);
        rts = static_cast<VX_Rts_Win32*>(VX_Rts_Win32::instances.first()->data);
        served = rts;
    }
    void TearDown() override {
        VX_Rts_Win32::classCleanup();
        VX_Rts_Win32::useWave(nullptr);
    }
    // Initialises and starts the mode of this rate, width and output count.
    VX_Rts::Mode* start(int32_t rate, int32_t bits, int32_t channels) {
        EXPECT_EQ(rts->init(), VX_OK);
        VX_Rts::Mode* found = nullptr;
        rts->modes.forEach<VX_Rts::Mode>([&](VX_Rts::Mode* m) {
            if (m->rate == rate && m->bits == bits && m->channels == channels) found = m;
        });
        EXPECT_NE(found, nullptr);
        EXPECT_EQ(rts->mode(found), VX_OK);
        wave.log.clear();
        return found;
    }
    int playedByNextBlock() {
        const size_t before = wave.written.size();
        EXPECT_TRUE(wave.returnInput());
        return static_cast<int>(wave.written.size() - before);
    }
    std::vector<int> writtenIndices() {
        std::vector<int> out;
        for (VX_Rts_Wave_Header* h : wave.written)
            out.push_back(static_cast<int>(h - rts->outHeaders));
        return out;
    }

    FakeWave wave;
    Seen blocks;
    VX_Rts_Win32* rts = nullptr;
};

TEST_F(RtsWin32, OneInstanceNamedWindowsInTheRegistry) {
    EXPECT_STREQ(rts->name, "Windows");
    EXPECT_EQ(VX_Rts_Win32::instances.count, 1);
    EXPECT_EQ(VX_Rts_instances.count, 1);
    EXPECT_EQ(VX_Rts_instances.first()->data, rts);
    EXPECT_EQ(VX_Rts_Win32::classInit(&recordBlock), VX_OK); // a second call adds nobody
    EXPECT_EQ(VX_Rts_instances.count, 1);
    VX_Rts_Win32::classCleanup();
    EXPECT_EQ(VX_Rts_instances.count, 0);
    EXPECT_EQ(VX_Rts_Win32::instances.count, 0);
}

TEST_F(RtsWin32, ProbesWidthsThenRatesThenOutputCounts) {
    ASSERT_EQ(rts->init(), VX_OK);
    std::vector<std::string> labels;
    rts->modes.forEach<VX_Rts::Mode>([&](VX_Rts::Mode* m) {
        labels.push_back(m->label);
        EXPECT_EQ(m->frames, m->rate / 100);
    });
    ASSERT_EQ(labels.size(), 24u);
    EXPECT_EQ(labels[0], " 48.0 kHz, 32 bit, quadro");
    EXPECT_EQ(labels[1], " 48.0 kHz, 32 bit, stereo");
    EXPECT_EQ(labels[2], " 96.0 kHz, 32 bit, quadro");
    EXPECT_EQ(labels[5], "192.0 kHz, 32 bit, stereo");
    EXPECT_EQ(labels[7], " 44.1 kHz, 32 bit, stereo");
    EXPECT_EQ(labels[8], " 48.0 kHz, 24 bit, quadro");
    EXPECT_EQ(labels[23], " 44.1 kHz, 16 bit, stereo");
    EXPECT_EQ(VX_Rts_Win32::current(), rts);
    ASSERT_EQ(rts->inputs.count, 2);
    EXPECT_STREQ(rts->inputAt(0)->name, "Left");
    EXPECT_STREQ(rts->inputAt(1)->name, "Right");
    // Probes open without a routine and close again; the descriptor is plain PCM.
    for (bool routine : wave.openedWithRoutine) EXPECT_FALSE(routine);
    EXPECT_EQ(wave.count("inOpen"), 12);
    EXPECT_EQ(wave.count("inClose"), 12);
    EXPECT_EQ(wave.count("outClose"), 24);
    const VX_Rts_Wave_Format& first = wave.opened[0];
    EXPECT_EQ(first.rate, 48000u);
    EXPECT_EQ(first.bits, 32);
    EXPECT_EQ(first.channels, 2);
    for (const VX_Rts_Wave_Format& f : wave.opened) {
        EXPECT_EQ(f.tag, 1);
        EXPECT_EQ(f.extraSize, 0);
        EXPECT_EQ(f.blockAlign, f.channels * f.bits / 8);
        EXPECT_EQ(f.bytesPerSecond, f.rate * f.blockAlign);
    }
}

TEST_F(RtsWin32, ADeviceOfSixteenBitStereoAt44100HzOnlyHasOneMode) {
    wave.accepts = [](bool, const VX_Rts_Wave_Format& f) {
        return f.bits == 16 && f.rate == 44100 && f.channels == 2;
    };
    ASSERT_EQ(rts->init(), VX_OK);
    ASSERT_EQ(rts->modes.count, 1);
    VX_Rts::Mode* m = rts->modeAt(0);
    EXPECT_EQ(m->rate, 44100);
    EXPECT_EQ(m->bits, 16);
    EXPECT_EQ(m->frames, 441);
    EXPECT_EQ(m->channels, 2);
    EXPECT_STREQ(m->label, " 44.1 kHz, 16 bit, stereo");
    // An input device that refuses everything leaves the list empty; init again starts afresh.
    wave.accepts = [](bool input, const VX_Rts_Wave_Format&) { return !input; };
    ASSERT_EQ(rts->init(), VX_OK);
    EXPECT_EQ(rts->modes.count, 0);
    EXPECT_EQ(rts->inputs.count, 2);
}

TEST_F(RtsWin32, SixteenBuffersLieInOneBlock) {
    start(48000, 32, 4);
    const size_t g = 4 * 480;
    EXPECT_EQ(rts->blockSize, 92160u); // 8 x 1920 x 6
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(rts->outBuffers[i], rts->block + i * g * 4);
        EXPECT_EQ(rts->inBuffers[i], rts->block + 8 * g * 4 + i * 2 * g);
        EXPECT_EQ(rts->inHeaders[i].length, 2 * g);
        EXPECT_EQ(rts->outHeaders[i].length, 4 * g);
        EXPECT_EQ(rts->outHeaders[i].loops, 1u);
        EXPECT_TRUE(rts->outHeaders[i].flags & VX_WHDR_DONE);
    }
    EXPECT_EQ(wave.inQueue.size(), 8u); // all eight queued before the start
    std::vector<std::string> names;
    rts->outputs.forEach<VX_Rts::Chan>([&](VX_Rts::Chan* c) {
        names.push_back(c->name);
        EXPECT_EQ(c->format, 0x2010u); // stride 16, 32 bits
        EXPECT_EQ(c->count, 480);
    });
    EXPECT_EQ(names,
              (std::vector<std::string>{"Left front", "Right front", "Left back", "Right back"}));
    EXPECT_EQ(rts->inputAt(0)->format, 0x2008u);
}

TEST_F(RtsWin32, TwentyFourBitStereoChannelsInterleave) {
    start(44100, 24, 2);
    EXPECT_EQ(rts->inputAt(1)->format, 0x1806u);
    EXPECT_EQ(rts->outputAt(1)->format, 0x1806u);
    EXPECT_STREQ(rts->outputAt(0)->name, "Left front");
    EXPECT_EQ(rts->outputs.count, 2);
    ASSERT_TRUE(wave.returnInput());
    const long in0 = static_cast<long>(rts->inBuffers[0] - rts->block);
    EXPECT_EQ(blocks.inputs[0], (std::vector<long>{in0, in0 + 3})); // "Right" starts 3 bytes in
    EXPECT_EQ(blocks.outputs[0], (std::vector<long>{0, 3}));
}

TEST_F(RtsWin32, EachBlockQueuesItsInputAgainBeforeProcessing) {
    start(48000, 16, 2);
    ASSERT_TRUE(wave.returnInput());
    ASSERT_GE(wave.log.size(), 2u);
    EXPECT_EQ(wave.log[0], "inAdd");
    EXPECT_EQ(wave.inQueue.size(), 8u);
    EXPECT_EQ(wave.inQueue.back(), &rts->inHeaders[0]);
    ASSERT_EQ(blocks.inputs.size(), 1u);
}

TEST_F(RtsWin32, PrimingPlaysTwoBuffersWhileSixOrMoreAreFree) {
    start(48000, 16, 2);
    // No output buffer comes back: 8, 6, 4, 3, 2 free, then 1 (never played, so it stays
    // free), then none (the device holds the last one too).
    for (int block = 0; block < 6; ++block) ASSERT_TRUE(wave.returnInput());
    rts->outHeaders[7].flags = VX_WHDR_INQUEUE;
    ASSERT_TRUE(wave.returnInput());
    rts->outHeaders[7].flags = VX_WHDR_DONE;
    EXPECT_EQ(writtenIndices(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(blocks.outputs.size(), 7u); // every block is processed
    const long g = 2 * 480;
    EXPECT_EQ(blocks.outputs[0][0], 0);         // block 1 writes buffer 0, buffer 1 primes
    EXPECT_EQ(blocks.outputs[1][0], 2 * 2 * g); // block 2 finds 6 free: writes 2, primes 3
    EXPECT_EQ(blocks.outputs[2][0], 4 * 2 * g);
    EXPECT_EQ(blocks.outputs[5][0], 7 * 2 * g); // one free: written into, not played
    EXPECT_EQ(blocks.outputs[6][0], -1);        // none free: no output data this block
    for (int j = 0; j < 7; ++j)                 // prepared and written plainly, no loop flags
        EXPECT_EQ(rts->outHeaders[j].flags, VX_WHDR_PREPARED | VX_WHDR_INQUEUE) << j;

    // After an underrun the queue is primed again; then one buffer back, one played.
    for (int j = 0; j < 7; ++j) wave.finishOutput();
    EXPECT_EQ(playedByNextBlock(), 2); // 8 free
    EXPECT_EQ(playedByNextBlock(), 2); // 6 free
    EXPECT_EQ(playedByNextBlock(), 1); // 4 free
    for (int block = 0; block < 5; ++block) {
        wave.finishOutput();
        EXPECT_EQ(playedByNextBlock(), 1); // 4 free, every time
    }
}

TEST_F(RtsWin32, StopDrainsTheEightInputBuffersThenClosesInOrder) {
    start(48000, 16, 2);
    for (int block = 0; block < 20; ++block) {
        wave.finishOutput();
        ASSERT_TRUE(wave.returnInput());
    }
    const size_t processed = blocks.inputs.size();
    wave.log.clear();
    ASSERT_EQ(rts->free(), VX_OK);
    EXPECT_EQ(blocks.inputs.size(), processed); // draining processes nothing
    EXPECT_EQ(wave.count("inAdd"), 0);          // and queues nothing again
    EXPECT_EQ(wave.log,
              (std::vector<std::string>{"armSignal",
                                        "waitSignal",
                                        "raiseSignal",
                                        "sleep 100",
                                        "inStop",
                                        "outReset",
                                        "inClose",
                                        "outClose"}));
    EXPECT_EQ(rts->returnedMask.load(), 0xFFu);
    EXPECT_EQ(wave.clockMs, 100);
    EXPECT_EQ(rts->currentMode(), nullptr);
    EXPECT_EQ(rts->outputs.count, 0);
    EXPECT_EQ(rts->block, nullptr);
    EXPECT_EQ(rts->inputAt(0)->data, nullptr);
    // The next mode starts afresh.
    ASSERT_EQ(rts->mode(rts->modeAt(0)), VX_OK);
    EXPECT_EQ(rts->outputs.count, 4);
}

TEST_F(RtsWin32, StopGoesOnAfterTenSecondsWithoutAllBuffers) {
    start(48000, 16, 2);
    wave.returnedWhileWaiting = 5;
    ASSERT_EQ(rts->free(), VX_OK);
    EXPECT_EQ(wave.clockMs, 10000 + 100);
    EXPECT_EQ(wave.count("inClose"), 1);
    EXPECT_EQ(wave.count("outClose"), 1);
}

TEST_F(RtsWin32, StopAndCloseCallsAreTriedTenTimes) {
    start(48000, 16, 2);
    wave.failures = {{"inStop", 3}, {"outClose", 9}};
    ASSERT_EQ(rts->free(), VX_OK);
    EXPECT_EQ(wave.count("inStop"), 4);
    EXPECT_EQ(wave.count("outClose"), 10);
    EXPECT_EQ(wave.clockMs, 100 + (3 + 9) * 500);

    struct Case {
        const char* call;
        VX_error error;
        const char* notAttempted;
    } cases[] = {{"inStop", VX_ERROR_AUDIO_CANNOT_INPUT_STOP, "outReset"},
                 {"outReset", VX_ERROR_AUDIO_CANNOT_OUTPUT_RESET, "inClose"},
                 {"inClose", VX_ERROR_AUDIO_CANNOT_INPUT_CLOSE, "outClose"},
                 {"outClose", VX_ERROR_AUDIO_CANNOT_OUTPUT_CLOSE, nullptr}};
    for (const Case& c : cases) {
        wave.failures.clear();
        ASSERT_EQ(rts->mode(rts->modeAt(0)), VX_OK) << c.call;
        wave.log.clear();
        wave.clockMs = 0;
        wave.failures = {{c.call, -1}};
        EXPECT_EQ(rts->free(), c.error);
        EXPECT_EQ(wave.count(c.call), 10);
        EXPECT_EQ(wave.clockMs, 100 + 10 * 500);
        if (c.notAttempted) EXPECT_EQ(wave.count(c.notAttempted), 0) << c.call;
        // The device that would not stop is tried again by the next free.
        wave.failures.clear();
        EXPECT_EQ(rts->free(), VX_OK);
    }
}

TEST_F(RtsWin32, FreeAfterAFailedModeStopsAndClosesNothing) {
    ASSERT_EQ(rts->init(), VX_OK);
    VX_Rts::Mode* m = rts->modeAt(0);
    struct Case {
        const char* call;
        VX_error error;
    } cases[] = {{"inOpen", VX_ERROR_AUDIO_CANNOT_OPEN},
                 {"outOpen", VX_ERROR_AUDIO_CANNOT_OPEN},
                 {"inPrepare", VX_ERROR_AUDIO},
                 {"inAdd", VX_ERROR_AUDIO},
                 {"inStart", VX_ERROR_AUDIO}};
    for (const Case& c : cases) {
        wave.failures = {{c.call, 1}};
        wave.log.clear();
        EXPECT_EQ(rts->mode(m), c.error) << c.call;
        EXPECT_EQ(rts->currentMode(), m); // the mode stays recorded
        EXPECT_EQ(rts->inDevice, nullptr);
        EXPECT_EQ(rts->outDevice, nullptr);
        EXPECT_EQ(rts->block, nullptr);
        // What was opened was closed again, once.
        const std::string call = c.call;
        EXPECT_EQ(wave.count("inClose"), call == "inOpen" ? 0 : 1) << call;
        EXPECT_EQ(wave.count("outClose"), call == "inOpen" || call == "outOpen" ? 0 : 1) << call;
        wave.log.clear();
        EXPECT_EQ(rts->free(), VX_OK);
        EXPECT_EQ(wave.log, (std::vector<std::string>{"armSignal"})) << c.call;
        EXPECT_EQ(rts->currentMode(), nullptr);
    }
    // And a later mode works.
    wave.failures.clear();
    EXPECT_EQ(rts->mode(m), VX_OK);
}

TEST_F(RtsWin32, AStreamOpenAtExitOrCleanupIsStoppedFirst) {
    start(48000, 16, 2);
    ASSERT_EQ(rts->exit(), VX_OK);
    EXPECT_EQ(wave.count("inClose"), 1);
    EXPECT_EQ(rts->modes.count + rts->inputs.count + rts->outputs.count, 0);
    start(48000, 16, 2);
    VX_Rts_Win32::classCleanup();
    EXPECT_EQ(wave.count("outClose"), 1);
    EXPECT_EQ(VX_Rts_Win32::current(), nullptr);
    VX_Rts_Wave_Header stray{};
    VX_Rts_Win32::inputDone(&stray); // no instance left: ignored
}

TEST_F(RtsWin32, ANewModeClearsTheConversionLatch) {
    std::vector<int16_t> a(3), b(2);
    convert(b, VX_RTS_INT16, a, VX_RTS_INT16);
    ASSERT_TRUE(VX_Rts::conversionLatched());
    start(48000, 16, 2);
    EXPECT_FALSE(VX_Rts::conversionLatched());
}

// The device returns buffers from its own thread, as the system does, while the user
// interface thread stops the stream: the routine must never touch what free releases.
class ThreadedWave : public FakeWave {
public:
    bool waitSignal(uint32_t milliseconds) override {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (!signalRaised && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return signalRaised;
    }
    void sleep(uint32_t) override {}
};

TEST(RtsWin32Threads, StopWhileTheDeviceThreadReturnsBuffers) {
    ThreadedWave wave;
    VX_Rts_Win32::useWave(&wave);
    static std::atomic<int> processed;
    processed = 0;
    ASSERT_EQ(VX_Rts_Win32::classInit([] {
                  VX_Rts_Win32* rts = VX_Rts_Win32::current();
                  // Touch every channel as a host would.
                  rts->outputs.forEach<VX_Rts::Chan>([](VX_Rts::Chan* c) {
                      if (c->data) static_cast<unsigned char*>(c->data)[0] ^= 1;
                  });
                  ++processed;
              }),
              VX_OK);
    auto* rts = static_cast<VX_Rts_Win32*>(VX_Rts_Win32::instances.first()->data);
    ASSERT_EQ(rts->init(), VX_OK);
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(rts->mode(rts->modeAt(round % rts->modes.count)), VX_OK);
        std::atomic<bool> stop{false};
        std::thread device([&] {
            while (!stop) {
                wave.finishOutput();
                if (!wave.returnInput()) std::this_thread::yield();
            }
        });
        while (processed < 5 * (round + 1)) std::this_thread::yield();
        EXPECT_EQ(rts->free(), VX_OK);
        stop = true;
        device.join();
        wave.inQueue.clear();
        wave.written.clear();
    }
    VX_Rts_Win32::classCleanup();
    VX_Rts_Win32::useWave(nullptr);
}

} // namespace
