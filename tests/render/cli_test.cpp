// torv-render from its command line to its files, with the small test effect: renders of the
// built-in signal and of WAV input, the response report, and every failure the user can cause,
// none of which may damage an existing output file.
#include "tools/torv-render/output_file.h"
#include "tools/torv-render/render_main.h"
#include "render_test_modules.h"
#include "tools/torv-render/test_signal.h"
#include "tools/torv-render/wav_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace {

class RenderCli : public testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("torv-render-cli-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    int run(std::vector<std::string> args) {
        std::ostringstream o, e;
        const int status = runRender(args, o, e);
        out = o.str();
        err = e.str();
        return status;
    }

    wav::Audio read(const std::string& name) {
        wav::Audio a;
        std::string error;
        EXPECT_TRUE(wav::readFile(path(name), a, error)) << error;
        return a;
    }

    size_t filesInDir() const {
        size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(dir)) n += e.is_regular_file();
        return n;
    }

    std::filesystem::path dir;
    std::string out, err;
};

} // namespace

TEST_F(RenderCli, BuiltInSignalThroughTheEffect) {
    ASSERT_EQ(run({testPlugin, "-q", "-r", "8000", "-p", "0=1", "-o", path("out.wav")}), 0) << err;
    const wav::Audio a = read("out.wav");
    EXPECT_EQ(a.format.describe(), "float 32-bit, 2 channels, 8000 Hz");
    TestSignal s;
    s.sampleRate = 8000;
    const std::vector<float> input = s.generate();
    ASSERT_EQ(a.frames, input.size());
    EXPECT_EQ(a.channel(0), input);
    const std::vector<float> right = a.channel(1);
    for (size_t i = 0; i < input.size(); ++i) ASSERT_EQ(right[i], input[i] * 0.5f);
    EXPECT_NE(out.find("input: built-in test signal: logarithmic sweep 20 Hz to 3600 Hz"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("parameter 0 Gain = 1: 1.000 x"), std::string::npos) << out;
    EXPECT_NE(out.find("output checksum (FNV-1a 64 of the float samples): "), std::string::npos);
}

TEST_F(RenderCli, FirstChannelOfAWavFileFeedsTheEffectInAnyBlockSchedule) {
    wav::Audio in;
    in.format = {wav::Encoding::Pcm, 24, 3, 22050, true};
    in.frames = 3000;
    for (size_t i = 0; i < in.frames * 3; ++i)
        in.samples.push_back(static_cast<float>((static_cast<int>(i * 7919) % 2001) - 1000) /
                             1024.0f);
    std::string error;
    const auto bytes = wav::encode(in);
    ASSERT_TRUE(
        writeFileAtomically(path("in.wav"), std::string(bytes.begin(), bytes.end()), error));
    ASSERT_EQ(run({testPlugin, path("in.wav"), "-q", "-p", "0=0.5", "-o", path("fixed.wav")}), 0)
        << err;
    ASSERT_EQ(run({testPlugin,
                   path("in.wav"),
                   "-q",
                   "-p",
                   "0=0.5",
                   "--random-blocks",
                   "37",
                   "-o",
                   path("random.wav")}),
              0)
        << err;
    const wav::Audio fixed = read("fixed.wav"), random = read("random.wav");
    const std::vector<float> first = wav::Audio(read("in.wav")).channel(0);
    ASSERT_EQ(fixed.frames, 3000u);
    EXPECT_EQ(fixed.format.rate, 22050u);
    const std::vector<float> left = fixed.channel(0);
    for (size_t i = 0; i < first.size(); ++i) ASSERT_EQ(left[i], first[i] * 0.5f) << i;
    EXPECT_EQ(fixed.samples, random.samples);
}

TEST_F(RenderCli, ResponseReportFilesAndTable) {
    ASSERT_EQ(run({testPlugin,
                   "-q",
                   "-p",
                   "0=0.5",
                   "--response",
                   path("resp"),
                   "--freqs",
                   "100,1000",
                   "--cutoff",
                   "1000"}),
              0)
        << err;
    for (const char* ext : {".txt", ".csv", ".svg"})
        EXPECT_TRUE(std::filesystem::exists(path(std::string("resp") + ext))) << ext;
    // The gain effect halves everything: -6.02 dB at every frequency.
    EXPECT_NE(out.find("      100.00       -6.021      -60.000"), std::string::npos) << out;
    EXPECT_NE(out.find("     1000.00       -6.021       -3.010"), std::string::npos) << out;

    // Without --cutoff the cutoff comes from parameter 1, which this effect lacks.
    EXPECT_EQ(run({testPlugin, "-q", "--response", path("r2")}), 2);
    EXPECT_NE(err.find("give the cutoff with --cutoff"), std::string::npos) << err;
    EXPECT_EQ(
        run({testPlugin, "-q", "--response", path("r3"), "--freqs", "30000", "--cutoff", "100"}),
        2);
    EXPECT_NE(err.find("not below half the sample rate"), std::string::npos) << err;
}

// The bursts --response feeds, rendered offline and measured from the recording, give the same
// table as running the effect: what scripts/run measures from the standalone host's recording.
TEST_F(RenderCli, ARecordingOfTheBurstsMeasuresAsTheEffectItself) {
    const std::vector<std::string> common = {"-q", "--freqs", "100,1000", "-r", "8000"};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.end(), common.begin(), common.end());
        return run(args);
    };
    ASSERT_EQ(with({"--bursts", path("bursts.wav"), "--lead", "0.5"}), 0) << err;
    const wav::Audio bursts = read("bursts.wav");
    EXPECT_EQ(bursts.format.describe(), "float 32-bit, 1 channel, 8000 Hz");
    ASSERT_GT(bursts.frames, 4000u);
    for (size_t i = 0; i < 4000; ++i) ASSERT_EQ(bursts.samples[i], 0.0f) << i;
    EXPECT_NE(bursts.samples[4001], 0.0f);

    ASSERT_EQ(run({testPlugin, "-q", "-p", "0=0.5", path("bursts.wav"), "-o", path("rec.wav")}), 0)
        << err;
    ASSERT_EQ(with({testPlugin, "-p", "0=0.5", "--cutoff", "1000", "--response", path("direct")}),
              0)
        << err;
    ASSERT_EQ(with({testPlugin,
                    "-p",
                    "0=0.5",
                    "--cutoff",
                    "1000",
                    "--response",
                    path("recorded"),
                    "--recorded",
                    path("rec.wav"),
                    "--lead",
                    "0.5"}),
              0)
        << err;
    std::ifstream direct(path("direct.txt")), recorded(path("recorded.txt"));
    const std::string a(std::istreambuf_iterator<char>(direct), {});
    const std::string b(std::istreambuf_iterator<char>(recorded), {});
    EXPECT_NE(a.find("-6.021"), std::string::npos) << a;
    EXPECT_EQ(a, b);
}

// The highest rate a host can give an effect exactly, 2^24 Hz, renders with its own header.
TEST_F(RenderCli, TheHighestRateAnEffectCanBeGivenRenders) {
    wav::Audio fast;
    fast.format = {wav::Encoding::Pcm, 16, 1, 16777216u, false};
    fast.frames = 64;
    fast.samples.assign(64, 0.25f);
    const auto bytes = wav::encode(fast);
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path("in.wav"), {bytes.begin(), bytes.end()}, error));
    ASSERT_EQ(run({testPlugin, path("in.wav"), "-q", "-o", path("out.wav")}), 0) << err;
    EXPECT_EQ(read("out.wav").format.rate, 16777216u);
}

TEST_F(RenderCli, FailuresExplainThemselvesAndLeaveTheOutputAlone) {
    std::string error;
    const std::string target = path("out.wav");
    ASSERT_TRUE(writeFileAtomically(target, "an earlier render", error));
    ASSERT_TRUE(writeFileAtomically(path("notes.txt"), "not audio at all", error));

    const std::pair<std::vector<std::string>, std::pair<int, const char*>> cases[] = {
        {{testPlugin, path("missing.wav"), "-o", target}, {1, "cannot open"}},
        {{testPlugin, path("notes.txt"), "-o", target}, {1, "notes.txt: not a WAV file"}},
        {{moduleWithoutEntry, "-o", target}, {1, "exports neither VSTPluginMain nor MAIN"}},
        {{path("nothing.so"), "-o", target}, {1, "cannot load"}},
        {{testPlugin, "-o", target, "-p", "5=0.5"}, {2, "parameter 5 does not exist"}},
        {{testPlugin, "-o", target, "--block", "many"}, {2, "Usage: torv-render"}},
        {{testPlugin, "-o", path("no/such/dir/out.wav")}, {1, "cannot write"}},
    };
    // Rates a WAV header can hold but an effect cannot be given exactly.
    for (uint32_t rate : {16777217u, 3000000000u}) {
        wav::Audio fast;
        fast.format = {wav::Encoding::Pcm, 8, 1, rate, false};
        fast.frames = 4;
        fast.samples.assign(4, 0.25f);
        const auto bytes = wav::encode(fast);
        ASSERT_TRUE(writeFileAtomically(
            path("fast-" + std::to_string(rate) + ".wav"), {bytes.begin(), bytes.end()}, error));
    }
    const std::pair<std::vector<std::string>, std::pair<int, const char*>> rateCases[] = {
        {{testPlugin, path("fast-16777217.wav"), "-o", target},
         {1, "rate of 16777217 Hz cannot be rendered"}},
        {{testPlugin, path("fast-3000000000.wav"), "--response", path("r")},
         {1, "rate of 3000000000 Hz cannot be rendered"}},
    };
    for (const auto& [args, expected] : rateCases) {
        EXPECT_EQ(run(args), expected.first);
        EXPECT_NE(err.find(expected.second), std::string::npos) << err;
    }
    for (const auto& [args, expected] : cases) {
        EXPECT_EQ(run(args), expected.first) << args.back();
        EXPECT_NE(err.find(expected.second), std::string::npos) << err;
        std::string contents;
        ASSERT_TRUE(readWholeFile(target, contents, error));
        EXPECT_EQ(contents, "an earlier render");
    }
    EXPECT_EQ(filesInDir(), 4u) << "no temporary files left behind";

    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out.find("--random-blocks <max>"), std::string::npos);
}
