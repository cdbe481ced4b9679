// torv.exe under Wine with real drivers: the test ASIO drivers registered by Wine's regsvr32,
// and the multimedia driver "Windows" through ALSA devices of the test's own HOME. What the
// devices received is held against the host's journal replayed through torv.dll, bit for bit.
#include "host_exe_util.h"

#include "fixtures/alsa/alsa_home.h"

#include <fstream>
#include <set>

namespace {

using namespace hostexe;
using Texts = std::vector<std::string>;
using Ids = std::vector<uint32_t>;

// Recordings of this suite, removed before each run.
std::string records(const std::string& name) {
    return asiotest::recording("host-" + name);
}

TEST(HostExeAudio, OutputEqualsTheOfflineRenderAcrossDriverAndModeSwitches) {
    const std::string first = records("first"), second = records("second");
    HostProcess host(
        "render",
        {{"TORV_TEST_ASIO",
          "inputs=2 outputs=2 types=float32 rates=44100,48000 buffer=256 record=" + first},
         {"TORV_TEST_ASIO_2",
          "inputs=2 outputs=4 intypes=int24 outtypes=int16 buffer=128 record=" + second}});
    ASSERT_TRUE(host.start());
    HostState s = host.state();
    EXPECT_EQ(s.text("driver"), "0");
    EXPECT_EQ(s.texts("mode"), (Texts{" 48.0 kHz, 32 bit, stereo", " 44.1 kHz, 32 bit, stereo"}));
    EXPECT_EQ(s.routes, (Texts{"1. In 1"}));
    ASSERT_TRUE(host.waitBlocks(60));

    // While audio runs: another mode, another driver, and back.
    ASSERT_TRUE(host.command(mode(1)));
    EXPECT_EQ(host.state().checked("mode"), (Ids{0x2001}));
    ASSERT_TRUE(host.waitBlocks(60));
    ASSERT_TRUE(host.command(driver(1)));
    s = host.state();
    EXPECT_EQ(s.checked("audio"), (Ids{0x1001}));
    EXPECT_EQ(s.number("blockLength"), 128);
    ASSERT_TRUE(host.waitBlocks(60));
    ASSERT_TRUE(host.command(driver(0)));
    ASSERT_TRUE(host.waitBlocks(60));
    DWORD code = 1;
    ASSERT_TRUE(host.close(15000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(host.reports(), Texts{});

    const replay::Result r = replayAsio(host, {19, 17});
    ASSERT_EQ(r.error, "");
    const DriverRecording a = DriverRecording::read(first, 19, 19, 2);
    const DriverRecording b = DriverRecording::read(second, 17, 16, 4);
    const RunComparison c = compareRun(r, {{0, &a}, {1, &b}});
    EXPECT_EQ(c.wrong, 0) << c.firstWrong;
    EXPECT_EQ(c.streams, 4);
    EXPECT_GE(c.processed, 240);
    RecordProperty("blocks_compared", static_cast<int>(c.processed));
    RecordProperty("blocks_kept", static_cast<int>(c.kept));
    // The second driver's back pair was never written.
    for (size_t k = 2; k < 4; ++k)
        EXPECT_EQ(b.outputs[k], std::vector<unsigned char>(b.outputs[k].size(), 0)) << k;
}

// Routes added, moved, deleted and reconnected while audio runs: every block the host processed
// holds exactly the sum of the routes that ran it, and the menus follow.
TEST(HostExeAudio, RoutesChangingWhileAudioRunsLoseNothingButSkippedBlocks) {
    const std::string prefix = records("routes");
    HostProcess host("routes",
                     {{"TORV_TEST_ASIO",
                       "inputs=4 outputs=2 types=int32 innames=Mic,Guitar,Keys,Bass buffer=128 "
                       "record=" +
                           prefix}});
    ASSERT_TRUE(host.start());
    auto step = [&](uint32_t id) {
        ASSERT_TRUE(host.command(id));
        ASSERT_TRUE(host.waitBlocks(15));
    };
    step(add);      // 2. Guitar
    step(input(0)); // 2. Mic: two routes on one input
    EXPECT_EQ(host.state().routes, (Texts{"1. Mic", "2. Mic"}));
    step(add); // 3. Guitar
    step(add); // 4. Keys
    step(add); // 5. Bass
    step(add); // 6. Unconnected
    HostState s = host.state();
    EXPECT_EQ(s.texts("channel"),
              (Texts{"1. Mic",
                     "2. Mic",
                     "3. Guitar",
                     "4. Keys",
                     "5. Bass",
                     "6. Unconnected",
                     "-",
                     "&Input",
                     "-",
                     "&Add",
                     "&Delete"}));
    EXPECT_EQ(s.checked("channel"), (Ids{0x5005}));
    EXPECT_EQ(s.checked("input"), Ids{});
    step(removeRoute);
    step(route(0));
    step(input(3)); // 1. Bass
    step(route(2));
    EXPECT_EQ(host.state().checked("input"), (Ids{0x6001}));
    step(removeRoute); // the former route 3
    s = host.state();
    EXPECT_EQ(s.routes, (Texts{"1. Bass", "2. Mic", "3. Keys", "4. Bass"}));
    EXPECT_EQ(s.checked("channel"), (Ids{0x5000}));
    EXPECT_EQ(s.checked("input"), (Ids{0x6003}));
    EXPECT_EQ(s.texts("input"), (Texts{"Mic", "Guitar", "Keys", "Bass"}));
    ASSERT_TRUE(host.close(15000));

    const replay::Result r = replayAsio(host, {18});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.created, 6);
    EXPECT_EQ(r.closed, 6); // two deleted, four at shutdown
    const DriverRecording rec = DriverRecording::read(prefix, 18, 18, 2);
    const RunComparison c = compareRun(r, {{0, &rec}});
    EXPECT_EQ(c.wrong, 0) << c.firstWrong;
    EXPECT_GE(c.processed, 150);
    // Blocks were summed from two routes on one input, and ran beside an unconnected route.
    bool twoOnOne = false, besideUnconnected = false;
    for (const replay::Block& b : r.blocks) {
        twoOnOne |= b.inputs == std::vector<uint32_t>{0, 0};
        besideUnconnected |= b.serials == std::vector<uint32_t>{1, 2, 3, 4, 5};
    }
    EXPECT_TRUE(twoOnOne);
    EXPECT_TRUE(besideUnconnected);
}

// The multimedia driver through ALSA: captured words in, the mix of the first mode (48 kHz,
// 32 bits, quadro) out, played into a file.
TEST(HostExeAudio, TheWindowsDriverPlaysTheMixOfWhatItCaptures) {
    const testalsa::Home& home = testalsa::prepare();
    DeleteFileA(home.playback().c_str());
    HostProcess host("windows");
    ASSERT_TRUE(host.start());
    HostState s = host.state();
    const auto drivers = s.drivers;
    ASSERT_FALSE(drivers.empty());
    ASSERT_EQ(drivers.back(), "Windows");
    const int windows = static_cast<int>(drivers.size()) - 1;
    ASSERT_TRUE(host.command(driver(windows)));
    s = host.state();
    ASSERT_EQ(s.texts("mode").at(0), " 48.0 kHz, 32 bit, quadro");
    EXPECT_EQ(s.texts("input"), (Texts{"Left", "Right"}));
    EXPECT_EQ(s.routes, (Texts{"1. Left"}));
    // ALSA's null device has no clock: capture runs ahead of real time, and the stream must
    // stop before it has read the whole capture file.
    ASSERT_TRUE(host.waitBlocks(50));
    ASSERT_TRUE(host.command(driver(0)));
    ASSERT_TRUE(host.close(20000));

    // The replay's input: the captured words the block's mark places (route 1's effect ran the
    // first test driver's int32 signal before).
    const replay::Result r = replay::run(
        host.journal(),
        moduleEntry(),
        [&](const replay::Stream& stream, const replay::Block& b, int32_t input, float* out) {
            if (stream.driver != static_cast<uint32_t>(windows))
                return asioInputBlock(18, input, b.block, stream.frames, out);
            const long long offset = testalsa::capturedOffset(
                reinterpret_cast<const unsigned char*>(b.mark), sizeof b.mark);
            // Past the end of the capture file the device delivers silence.
            std::vector<uint32_t> words(2 * stream.frames, 0);
            for (size_t k = 0; offset >= 0 && k < words.size(); ++k)
                if (const size_t at = static_cast<size_t>(offset / 4) + k;
                    at < testalsa::captureWords)
                    words[k] = testalsa::captureWord(at);
            const int32_t n = static_cast<int32_t>(stream.frames);
            VX_Rts::Chan device("device", VX_rts_format(8, 32, 0, false), n),
                host("host", VX_RTS_FLOAT32, n);
            device.data = words.data() + input;
            host.data = out;
            VX_Rts::copyBuffer(&host, &device);
        });
    ASSERT_EQ(r.error, "");
    size_t windowsBlocks = 0;
    std::set<std::string> expected; // blocks as device bytes
    for (const replay::Block& b : r.blocks) {
        if (r.streams[b.stream].driver != static_cast<uint32_t>(windows)) continue;
        ++windowsBlocks;
        const long long offset =
            testalsa::capturedOffset(reinterpret_cast<const unsigned char*>(b.mark), 8);
        EXPECT_GE(offset, 0) << "block " << b.block;
        EXPECT_LE(offset + static_cast<long long>(b.mix[0].size()) * 8, 4 << 20)
            << "block " << b.block << " ran past the capture file";
        // Four channels of 32 bits: the mix on the front pair, silence behind.
        const size_t frames = b.mix[0].size();
        std::vector<int32_t> device(4 * frames, 0);
        for (int k = 0; k < 2; ++k) {
            VX_Rts::Chan host("host", VX_RTS_FLOAT32, static_cast<int32_t>(frames));
            VX_Rts::Chan out("out", VX_rts_format(16, 32, 0, false), static_cast<int32_t>(frames));
            host.data = const_cast<float*>(b.mix[k].data());
            out.data = device.data() + k;
            VX_Rts::copyBuffer(&out, &host);
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(device.data());
        expected.insert(std::string(reinterpret_cast<const char*>(bytes), 16 * frames));
    }
    EXPECT_GE(windowsBlocks, 50u);

    // Every buffer Wine played is one the host computed; Wine's own silence left out.
    std::ifstream file(home.playback(), std::ios::binary);
    const std::vector<unsigned char> played(std::istreambuf_iterator<char>(file), {});
    std::vector<unsigned char> sound;
    for (size_t at = 0; at + 16 <= played.size(); at += 16) {
        bool silent = true;
        for (size_t i = 0; i < 16 && silent; ++i) silent = played[at + i] == 0;
        if (!silent) sound.insert(sound.end(), played.begin() + at, played.begin() + at + 16);
    }
    const size_t buffer = 16 * 480;
    size_t matched = 0;
    for (size_t at = 0; at + buffer <= sound.size(); at += buffer) {
        const bool found =
            expected.count(std::string(sound.begin() + at, sound.begin() + at + buffer)) > 0;
        EXPECT_TRUE(found) << "played buffer " << at / buffer;
        if (!found) break;
        ++matched;
    }
    EXPECT_GE(matched, 20u);
    RecordProperty("played_buffers", static_cast<int>(matched));
}

} // namespace
