// The runtime's base: mode labels, names, the lifecycle of modes and channels, and the
// restart that drivers ask for.

// The audio runtime is a library of its own (vx_rts), outside VX/VX.h: its header.
#include "VX/Rts/VX_Rts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string label(int32_t rate, int32_t bits, int32_t channels) {
    return VX_Rts::Mode(rate, bits, 480, channels).label;
}

TEST(RtsModeLabel, ReadsRateWidthAndChannels) {
    EXPECT_EQ(label(44100, 16, 2), " 44.1 kHz, 16 bit, stereo");
    EXPECT_EQ(label(48000, 24, 1), " 48.0 kHz, 24 bit, mono");
    EXPECT_EQ(label(96000, 32, 4), " 96.0 kHz, 32 bit, quadro");
    EXPECT_EQ(label(192000, 32, 3), "192.0 kHz, 32 bit, trio");
    EXPECT_EQ(label(96000, 32, 6), " 96.0 kHz, 32 bit, 6 ch");
    EXPECT_EQ(label(96000, 32, 16), " 96.0 kHz, 32 bit, 16 ch");
}

TEST(RtsModeLabel, LeavesOutWhatIsZero) {
    EXPECT_EQ(label(48000, 16, 0), " 48.0 kHz, 16 bit");
    EXPECT_EQ(label(0, 16, 2), "16 bit, stereo");
    EXPECT_EQ(label(0, 0, 8), "8 ch");
    EXPECT_EQ(label(0, 0, 0), "");
    EXPECT_EQ(label(2000000000, 0, 0), "2000000.0 kHz");
}

TEST(RtsNames, AreCutTo63Characters) {
    const std::string longName(100, 'n');
    VX_Rts rts(longName.c_str());
    EXPECT_EQ(std::string(rts.name), longName.substr(0, 63));
    VX_Rts::Chan chan(longName.c_str());
    EXPECT_EQ(std::string(chan.name), longName.substr(0, 63));
    VX_Rts::Chan unnamed(nullptr);
    EXPECT_EQ(std::string(unnamed.name), "");
}

// A backend that records its calls and offers what the test gives it.
class ScriptedRts : public VX_Rts {
public:
    ScriptedRts() : VX_Rts("scripted") {}
    std::vector<std::string> calls;
    int32_t frames = 256;

    VX_error init() override {
        calls.push_back("init");
        for (int32_t rate : {48000, 44100}) modes.insert(&(new Mode(rate, 32, frames, 2))->item);
        inputs.insert(&(new Chan("In 1", VX_RTS_INT32, frames))->item);
        return VX_OK;
    }
    VX_error exit() override {
        calls.push_back("exit");
        return VX_Rts::exit();
    }
    VX_error mode(Mode* m) override {
        calls.push_back("mode " + std::to_string(m->rate) + "/" + std::to_string(m->frames));
        VX_Rts::mode(m);
        outputs.insert(&(new Chan("Out 1", VX_RTS_INT32, m->frames))->item);
        return VX_OK;
    }
    VX_error free() override {
        calls.push_back("free");
        return VX_Rts::free();
    }
};

TEST(RtsLifecycle, ModesAndChannelsComeAndGo) {
    ScriptedRts rts;
    EXPECT_EQ(rts.currentMode(), nullptr);
    EXPECT_FALSE(rts.running);
    ASSERT_EQ(rts.init(), VX_OK);
    EXPECT_EQ(rts.modes.count, 2);
    EXPECT_EQ(rts.inputs.count, 1);
    ASSERT_EQ(rts.mode(rts.modeAt(1)), VX_OK);
    EXPECT_EQ(rts.currentMode(), rts.modeAt(1));
    EXPECT_EQ(rts.outputs.count, 1);
    EXPECT_EQ(rts.start(), VX_OK);
    EXPECT_TRUE(rts.running);
    ASSERT_EQ(rts.free(), VX_OK);
    EXPECT_EQ(rts.currentMode(), nullptr);
    EXPECT_EQ(rts.outputs.count, 0);
    EXPECT_TRUE(rts.running); // the mark is independent of the stream
    EXPECT_EQ(rts.stop(), VX_OK);
    EXPECT_FALSE(rts.running);
    EXPECT_EQ(rts.noop(), VX_OK);
    ASSERT_EQ(rts.exit(), VX_OK);
    EXPECT_EQ(rts.modes.count + rts.inputs.count + rts.outputs.count, 0);
    EXPECT_EQ(rts.modeAt(0), nullptr);
    EXPECT_EQ(rts.inputAt(-1), nullptr);
}

TEST(RtsRestart, ComesBackInTheModeOfTheSameRateWithTheNewBlockLength) {
    ScriptedRts rts;
    rts.init();
    rts.mode(rts.modeAt(1)); // 44100 Hz
    VX_Rts* notified = nullptr;
    static VX_Rts** seen;
    seen = &notified;
    VX_Rts::setRestartNotifier([](VX_Rts* r) { *seen = r; });
    rts.requestRestart();
    rts.requestRestart(); // a second request before the first is served: one notice
    EXPECT_EQ(notified, &rts);
    EXPECT_TRUE(rts.restartRequested());
    VX_Rts::setRestartNotifier(nullptr);

    rts.frames = 512; // the driver's new buffer size
    rts.calls.clear();
    ASSERT_EQ(rts.restart(), VX_OK);
    EXPECT_EQ(rts.calls, (std::vector<std::string>{"free", "exit", "init", "mode 44100/512"}));
    EXPECT_FALSE(rts.restartRequested());
    EXPECT_EQ(rts.outputs.count, 1);
}

TEST(RtsRestart, WithoutAStreamOnlyEnumeratesAgain) {
    ScriptedRts rts;
    rts.init();
    rts.calls.clear();
    ASSERT_EQ(rts.restart(), VX_OK);
    EXPECT_EQ(rts.calls, (std::vector<std::string>{"exit", "init"}));
    EXPECT_EQ(rts.currentMode(), nullptr);
}

} // namespace
