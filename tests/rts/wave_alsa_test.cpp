// The multimedia backend through Wine's winmm to ALSA devices of the test's own HOME: playback
// into a file (ALSA's file plugin over the null device) and capture from a file of known data.
// What the callback wrote must reach the file as written, after the format conversion, and
// what the capture file holds must reach the callback.
//
// ALSA's null device has no clock: capture runs faster than real time here, so blocks are not
// timed against the wall clock; their length is checked instead.
#include "fixtures/alsa/alsa_home.h"
#include "rts/rts_test_util.h"

// The runtime's parts behind its seams (drivers, calls, backends), tested directly.
#include "VX/Rts/VX_Rts_Win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The system's wave functions, keeping a copy of every buffer written to the output device.
class TapWave : public VX_Rts_Wave {
public:
    VX_Rts_Wave* system = VX_rts_system_wave();
    std::mutex lock;
    std::vector<unsigned char> written;

    uint32_t outWrite(Handle d, VX_Rts_Wave_Header* h) override {
        {
            std::lock_guard<std::mutex> hold(lock);
            written.insert(written.end(), h->data, h->data + h->length);
        }
        return system->outWrite(d, h);
    }
    uint32_t inOpen(Handle* d, const VX_Rts_Wave_Format& f, bool c) override {
        return system->inOpen(d, f, c);
    }
    uint32_t inPrepare(Handle d, VX_Rts_Wave_Header* h) override { return system->inPrepare(d, h); }
    uint32_t inAdd(Handle d, VX_Rts_Wave_Header* h) override { return system->inAdd(d, h); }
    uint32_t inStart(Handle d) override { return system->inStart(d); }
    uint32_t inStop(Handle d) override { return system->inStop(d); }
    uint32_t inReset(Handle d) override { return system->inReset(d); }
    uint32_t inClose(Handle d) override { return system->inClose(d); }
    uint32_t outOpen(Handle* d, const VX_Rts_Wave_Format& f, bool c) override {
        return system->outOpen(d, f, c);
    }
    uint32_t outPrepare(Handle d, VX_Rts_Wave_Header* h) override {
        return system->outPrepare(d, h);
    }
    uint32_t outReset(Handle d) override { return system->outReset(d); }
    uint32_t outClose(Handle d) override { return system->outClose(d); }
    void armSignal() override { system->armSignal(); }
    void raiseSignal() override { system->raiseSignal(); }
    bool waitSignal(uint32_t ms) override { return system->waitSignal(ms); }
    void sleep(uint32_t ms) override { system->sleep(ms); }
};

// What the processing callback does and sees, block by block.
struct Stream {
    VX_Rts_Win32* rts = nullptr;
    int32_t frames = 0, bits = 0;
    std::atomic<int> blocks{0};
    std::atomic<int> wrongCounts{0}, wrongConversions{0};
    std::vector<std::vector<unsigned char>> captured; // the first blocks' input buffers
    std::vector<float> host;                          // the host's float block
};
Stream* stream = nullptr;

// A value for every output sample that no width turns into zero.
float outputValue(int block, int frame, int channel) {
    const float magnitude = static_cast<float>((block * 7 + frame) % 997 + 3) / 1001.0f;
    return channel % 2 ? -magnitude : magnitude;
}

void process() {
    if (!stream) return;
    Stream& s = *stream;
    const int block = s.blocks++;
    const int bytes = s.bits / 8;
    VX_Rts::Chan* left = s.rts->inputAt(0);
    if (left->count != s.frames) ++s.wrongCounts;
    if (block < static_cast<int>(s.captured.size()) && left->data) {
        auto* data = static_cast<unsigned char*>(left->data);
        s.captured[block].assign(data, data + 2 * bytes * s.frames);
    }
    VX_Rts::Chan host("host", VX_RTS_FLOAT32, s.frames);
    host.data = s.host.data();
    VX_Rts::copyBuffer(&host, left); // as the host converts its inputs
    int k = 0;
    s.rts->outputs.forEach<VX_Rts::Chan>([&](VX_Rts::Chan* out) {
        const int channel = k++;
        if (!out->data) return;
        for (int i = 0; i < s.frames; ++i) s.host[i] = outputValue(block, i, channel);
        VX_Rts::copyBuffer(out, &host);
        // The device bytes, against the conversion worked out by hand.
        for (int i = 0; i < s.frames; ++i) {
            const int32_t expected =
                static_cast<int32_t>(static_cast<double>(s.host[i]) * 2147483647.0) >>
                (32 - s.bits);
            int32_t got = 0;
            std::memcpy(
                &got, static_cast<unsigned char*>(out->data) + i * (out->format & 0xFF), bytes);
            got =
                static_cast<int32_t>(static_cast<uint32_t>(got) << (32 - s.bits)) >> (32 - s.bits);
            if (got != expected) ++s.wrongConversions;
        }
    });
}

std::vector<unsigned char> withoutSilentFrames(const std::vector<unsigned char>& data,
                                               size_t frameBytes) {
    std::vector<unsigned char> out;
    for (size_t at = 0; at + frameBytes <= data.size(); at += frameBytes) {
        bool silent = true;
        for (size_t i = 0; i < frameBytes && silent; ++i) silent = data[at + i] == 0;
        if (!silent) out.insert(out.end(), data.begin() + at, data.begin() + at + frameBytes);
    }
    return out;
}

class RtsWaveAlsa : public ::testing::Test {
protected:
    void SetUp() override {
        testalsa::prepare();
        VX_Rts_Win32::useWave(&tap);
        ASSERT_EQ(VX_Rts_Win32::classInit(&process), VX_OK);
        rts = static_cast<VX_Rts_Win32*>(VX_Rts_Win32::instances.first()->data);
        ASSERT_EQ(rts->init(), VX_OK);
    }
    void TearDown() override {
        VX_Rts_Win32::classCleanup();
        VX_Rts_Win32::useWave(nullptr);
        stream = nullptr;
    }
    VX_Rts::Mode* find(int32_t rate, int32_t bits, int32_t channels) {
        VX_Rts::Mode* found = nullptr;
        rts->modes.forEach<VX_Rts::Mode>([&](VX_Rts::Mode* m) {
            if (!found && m->rate == rate && m->bits == bits && m->channels == channels) found = m;
        });
        return found;
    }

    // Streams a mode for a while, stops it, and checks the blocks, the conversion, the
    // capture and the playback file.
    void streamFor(VX_Rts::Mode* m, DWORD milliseconds) {
        ASSERT_NE(m, nullptr);
        Stream s;
        s.rts = rts;
        s.frames = m->frames;
        s.bits = m->bits;
        s.captured.resize(150);
        s.host.resize(static_cast<size_t>(m->frames));
        stream = &s;
        ASSERT_EQ(rts->mode(m), VX_OK);
        EXPECT_EQ(rts->inputAt(1)->format, VX_rts_format(2 * m->bits / 8, m->bits, 0, false));
        EXPECT_EQ(rts->inHeaders[0].length, static_cast<uint32_t>(2 * m->bits / 8 * m->rate / 100));
        Sleep(milliseconds);

        const DWORD stopStarted = GetTickCount();
        ASSERT_EQ(rts->free(), VX_OK);
        const DWORD stopTook = GetTickCount() - stopStarted;
        EXPECT_EQ(rts->returnedMask.load(), 0xFFu); // all eight input buffers came back
        EXPECT_LT(stopTook, 3000u) << "the stop waited for its time limit";

        const int blocks = s.blocks;
        RecordProperty("blocks", blocks);
        RecordProperty("stop_ms", static_cast<int>(stopTook));
        EXPECT_GE(blocks, static_cast<int>(milliseconds / 10 * 8 / 10))
            << "blocks in " << milliseconds << " ms";
        EXPECT_EQ(s.wrongCounts, 0);
        EXPECT_EQ(s.wrongConversions, 0);

        // Every captured block is one piece of the capture file, in frames.
        const size_t frameBytes = 2 * static_cast<size_t>(m->bits / 8);
        int matched = 0;
        for (int b = 0; b < blocks && b < static_cast<int>(s.captured.size()); ++b) {
            const long long offset =
                testalsa::capturedOffset(s.captured[b].data(), s.captured[b].size());
            EXPECT_GE(offset, 0) << "block " << b;
            if (offset >= 0)
                EXPECT_EQ(offset % static_cast<long long>(frameBytes), 0) << "block " << b;
            matched += offset >= 0;
        }
        EXPECT_GE(matched, std::min(blocks, 100));

        // The playback file holds what was written, in order, apart from the silence Wine adds
        // and the buffers still queued when the device was reset.
        const size_t outFrame = static_cast<size_t>(m->channels * m->bits / 8);
        std::ifstream file(testalsa::prepare().playback(), std::ios::binary);
        const std::vector<unsigned char> recorded = withoutSilentFrames(
            std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {}), outFrame);
        const std::vector<unsigned char> written = withoutSilentFrames(tap.written, outFrame);
        const size_t buffer = outFrame * static_cast<size_t>(m->frames);
        ASSERT_GE(recorded.size() + 8 * buffer, written.size());
        ASSERT_LE(recorded.size(), written.size());
        EXPECT_TRUE(std::equal(recorded.begin(), recorded.end(), written.begin()));
        EXPECT_GT(recorded.size(), 10 * buffer);
    }

    TapWave tap;
    VX_Rts_Win32* rts = nullptr;
};

TEST_F(RtsWaveAlsa, ModesAreProbedFromTheDeviceInOrder) {
    std::vector<std::string> labels;
    rts->modes.forEach<VX_Rts::Mode>([&](VX_Rts::Mode* m) {
        labels.push_back(m->label);
        EXPECT_EQ(m->frames, m->rate / 100); // 10 ms blocks
    });
    // The ALSA device takes every width, rate and channel count asked for.
    std::vector<std::string> expected;
    for (const char* bits : {"32", "24", "16"})
        for (const char* rate : {" 48.0", " 96.0", "192.0", " 44.1"})
            for (const char* channels : {"quadro", "stereo"})
                expected.push_back(std::string(rate) + " kHz, " + bits + " bit, " + channels);
    EXPECT_EQ(labels, expected);
    ASSERT_EQ(rts->inputs.count, 2);
    EXPECT_STREQ(rts->inputAt(0)->name, "Left");
}

TEST_F(RtsWaveAlsa, TheFirstModeStreamsForFiveSeconds) {
    streamFor(rts->modeAt(0), 5000); // 48 kHz, 32 bit, quadro: what the host selects first
}

TEST_F(RtsWaveAlsa, SixteenAndTwentyFourBitStreams) {
    streamFor(find(44100, 16, 2), 1000);
    tap.written.clear();
    streamFor(find(96000, 24, 2), 1000);
}

TEST_F(RtsWaveAlsa, FreeAfterAFailedOpenClosesNothing) {
    // Formats the devices refuse: 64-bit samples (input and output), no output channels.
    VX_Rts::Mode wide(48000, 64, 480, 2), none(48000, 16, 480, 0);
    for (VX_Rts::Mode* m : {&wide, &none}) {
        EXPECT_EQ(rts->mode(m), VX_ERROR_AUDIO_CANNOT_OPEN);
        EXPECT_EQ(rts->inDevice, nullptr);
        EXPECT_EQ(rts->outDevice, nullptr);
        EXPECT_EQ(rts->free(), VX_OK);
    }
    // The device is still free for a real mode.
    streamFor(find(48000, 16, 2), 500);
}

} // namespace
