// The audio bridge against stand-in devices: routes summed, unconnected ones silent, only the
// first two outputs written, blocks skipped while a command holds the lock, and the journal
// that replays to exactly what the device received.
#include "host_test_fixture.h"
#include "journal_replay.h"

#include <thread>

namespace {

// An effect of its own, fed what a route's effect is fed: the device's input in its format,
// converted to floats.
class Reference {
public:
    explicit Reference(float rate, uint32_t format = VX_RTS_FLOAT32)
        : e(VSTPluginMain(&TorvHost::audioMaster)), format(format) {
        e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, rate);
    }
    ~Reference() { e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f); }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;

    // One block of input channel `channel` from frame `first`; the left output is returned.
    std::vector<float> run(int channel, int64_t first, int32_t frames) {
        std::vector<float> in(static_cast<size_t>(frames)), left(in.size()), right(in.size());
        for (int32_t i = 0; i < frames; ++i)
            in[static_cast<size_t>(i)] = testInput(channel, first + i);
        std::vector<unsigned char> bytes(in.size() * 8);
        VX_Rts::Chan host("host", VX_RTS_FLOAT32, frames), device("device", format, frames);
        host.data = in.data();
        device.data = bytes.data();
        VX_Rts::copyBuffer(&device, &host);
        VX_Rts::copyBuffer(&host, &device);
        float* ins[1] = {in.data()};
        float* outs[2] = {left.data(), right.data()};
        e->processReplacing(e, ins, outs, frames);
        EXPECT_EQ(left, right);
        return left;
    }

private:
    AEffect* e;
    uint32_t format;
};

class HostAudio : public HostFixture {};

TEST_F(HostAudio, TwoRoutesOnOneInputGiveTheSumOfBothAndUnconnectedOnesNothing) {
    FakeRts* rts = addBackend("Stereo");
    start();
    run(TorvHost::addCommand); // on Right
    run(TorvHost::addCommand); // unconnected: both inputs are in use
    run(TorvHost::routeCommand + 1);
    run(TorvHost::inputCommand + 0);
    ASSERT_EQ(routeLabels(), (std::vector<std::string>{"1. Left", "2. Left", "3. Unconnected"}));
    Reference first(48000), second(48000);
    for (int b = 0; b < 20; ++b) {
        const int64_t at = rts->frame;
        rts->block(&testInput);
        const std::vector<float> a = first.run(0, at, 64), c = second.run(0, at, 64);
        std::vector<float> sum(64);
        for (size_t i = 0; i < sum.size(); ++i) sum[i] = 0.0f + a[i] + c[i];
        ASSERT_EQ(rts->output(0), sum) << "block " << b;
        ASSERT_EQ(rts->output(1), sum) << "block " << b;
    }
    EXPECT_EQ(host->blocksProcessed.load(), 20u);
    EXPECT_EQ(host->blocksSkipped.load(), 0u);
}

TEST_F(HostAudio, OnlyTheFirstTwoOutputsAreWritten) {
    FakeSetup quadro;
    quadro.outputs = 4;
    quadro.format = VX_RTS_INT16;
    FakeRts* rts = addBackend("Quadro", quadro);
    start();
    Reference effect(48000, VX_RTS_INT16);
    for (int b = 0; b < 5; ++b) {
        const int64_t at = rts->frame;
        rts->block(&testInput, -1.0f); // full scale: the one value 16 bits give back exactly
        EXPECT_EQ(rts->output(2), std::vector<float>(64, -1.0f));
        EXPECT_EQ(rts->output(3), std::vector<float>(64, -1.0f));
        // The front pair holds the effect's output in 16 bits: within one step of it.
        const std::vector<float> want = effect.run(0, at, 64), got = rts->output(0);
        for (size_t i = 0; i < want.size(); ++i)
            ASSERT_NEAR(got[i], want[i], 1.0 / 32768) << "block " << b << " frame " << i;
        EXPECT_EQ(rts->output(1), got);
    }
}

TEST_F(HostAudio, BlocksArrivingWhileACommandHoldsTheLockAreSkipped) {
    FakeRts* rts = addBackend("Stereo");
    start();
    Reference effect(48000);
    rts->block(&testInput);
    effect.run(0, 0, 64);
    // A command holds the lock while the device's thread delivers a block.
    ASSERT_TRUE(host->hostLock().lock(1000));
    std::thread device([&] { rts->block(&testInput, 0.5f); });
    device.join();
    host->hostLock().unlock();
    EXPECT_EQ(rts->output(0), std::vector<float>(64, 0.5f));
    EXPECT_EQ(host->blocksSkipped.load(), 1u);
    // The skipped block never reached the effect: the next one continues where it left off.
    const int64_t at = rts->frame;
    rts->block(&testInput);
    EXPECT_EQ(rts->output(0), effect.run(0, at, 64));
    EXPECT_EQ(host->blocksProcessed.load(), 2u);
    EXPECT_EQ(host->streamBlock.load(), 3u);
}

TEST_F(HostAudio, BlocksLongerThanTheEffectsOwnAreProcessedWhole) {
    FakeRts* rts = addBackend("Long", devices({{44100, 32, 2048, 2}}));
    start();
    Reference effect(44100);
    for (int b = 0; b < 3; ++b) {
        const int64_t at = rts->frame;
        rts->block(&testInput);
        ASSERT_EQ(rts->output(0), effect.run(0, at, 2048)) << "block " << b;
    }
}

// Routes added, moved and deleted and a mode changed between blocks: replaying the journal
// through effects of its own gives what every processed block wrote, bit for bit.
TEST_F(HostAudio, TheJournalReplaysToWhatTheDeviceReceived) {
    FakeRts* rts = addBackend("Stereo", devices({{44100, 32, 64, 2}, {48000, 32, 96, 2}}));
    host = std::make_unique<TorvHost>(ui, &VSTPluginMain);
    host->journal.enable(1 << 16);
    host->buildMenus();
    host->selectFirstDriver();
    host->addFirstRoute();

    std::vector<std::vector<float>> written; // left output of every processed block
    auto blocks = [&](int n) {
        for (int b = 0; b < n; ++b) {
            rts->block(&testInput);
            written.push_back(rts->output(0));
            EXPECT_EQ(rts->output(1), written.back());
        }
    };
    blocks(5);
    run(TorvHost::addCommand);
    blocks(3);
    run(TorvHost::inputCommand + 0);
    blocks(4);
    run(TorvHost::modeCommand + 1);
    blocks(2);
    run(TorvHost::addCommand);
    run(TorvHost::routeCommand + 0);
    run(TorvHost::deleteCommand);
    blocks(6);

    const std::vector<uint32_t> words(host->journal.data(),
                                      host->journal.data() + host->journal.size());
    ASSERT_FALSE(host->journal.overflowed());
    const replay::Result r = replay::run(
        words,
        &VSTPluginMain,
        [&](const replay::Stream& s, const replay::Block& b, int32_t input, float* out) {
            for (uint32_t i = 0; i < s.frames; ++i)
                out[i] = testInput(input, int64_t(b.block) * s.frames + i);
        });
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.streams.size(), 2u);
    EXPECT_EQ(r.created, 3);
    EXPECT_EQ(r.closed, 1);
    ASSERT_EQ(r.blocks.size(), written.size());
    for (size_t k = 0; k < written.size(); ++k) {
        EXPECT_EQ(r.blocks[k].mix[0], written[k]) << "block " << k;
        EXPECT_EQ(r.blocks[k].mix[1], written[k]) << "block " << k;
    }
    EXPECT_EQ(r.blocks[5].serials, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(r.blocks[5].inputs, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(r.blocks[14].serials, (std::vector<uint32_t>{2, 3}));
}

TEST(HostCallback, AnswersTheEffectsAsAVst24Host) {
    char vendor[64] = "";
    EXPECT_EQ(TorvHost::audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
    EXPECT_EQ(TorvHost::audioMaster(nullptr, audioMasterIdle, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(TorvHost::audioMaster(nullptr, audioMasterGetVendorString, 0, 0, vendor, 0.0f), 1);
    EXPECT_STREQ(vendor, "Steinberg Media Technologies");
    for (VstInt32 op : std::initializer_list<VstInt32>{audioMasterAutomate,
                                                       audioMasterGetTime,
                                                       audioMasterGetSampleRate,
                                                       audioMasterCanDo,
                                                       audioMasterGetProductString,
                                                       9999})
        EXPECT_EQ(TorvHost::audioMaster(nullptr, op, 0, 0, vendor, 0.0f), 0) << op;
}

} // namespace
