// The command line of torv-render: what it accepts, and a message naming the fault otherwise.
#include "tools/torv-render/options.h"

#include <gtest/gtest.h>

namespace {
std::string errorFor(std::vector<std::string> args) {
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(parseOptions(args, o, error));
    return error;
}
} // namespace

TEST(RenderOptions, AcceptsEveryOptionInBothSpellings) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parseOptions({"torv.dll",
                              "in.wav",
                              "-o",
                              "out.wav",
                              "--block=64",
                              "-p",
                              "1=0.25",
                              "--param",
                              "0=1",
                              "--random-blocks",
                              "700",
                              "--seed=9",
                              "--response",
                              "resp",
                              "--freqs",
                              "100,200",
                              "--cutoff=2515",
                              "-q",
                              "--plugin-trace"},
                             o,
                             error))
        << error;
    EXPECT_EQ(o.module, "torv.dll");
    EXPECT_EQ(o.input, "in.wav");
    EXPECT_EQ(o.output, "out.wav");
    EXPECT_EQ(o.blockSize, 64);
    EXPECT_EQ(o.randomBlockMax, 700);
    EXPECT_EQ(o.seed, 9u);
    ASSERT_EQ(o.parameters.size(), 2u);
    EXPECT_EQ(o.parameters[0], (std::pair<int32_t, float>{1, 0.25f}));
    EXPECT_EQ(o.parameters[1], (std::pair<int32_t, float>{0, 1.0f}));
    EXPECT_EQ(o.responsePrefix, "resp");
    EXPECT_EQ(o.frequencies, "100,200");
    EXPECT_EQ(o.cutoffHz, 2515.0);
    EXPECT_TRUE(o.quiet && o.pluginTrace);

    RenderOptions d;
    ASSERT_TRUE(parseOptions({"m.so", "--rate", "44100", "--response", "r"}, d, error)) << error;
    EXPECT_EQ(d.sampleRate, 44100.0);
    EXPECT_TRUE(d.input.empty());
    EXPECT_EQ(d.blockSize, 512);

    RenderOptions h;
    EXPECT_TRUE(parseOptions({"--help"}, h, error));
    EXPECT_TRUE(h.help);
}

TEST(RenderOptions, TheBurstsAloneNeedNoModule) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parseOptions({"--bursts", "b.wav", "--lead", "1.5", "-r", "44100"}, o, error))
        << error;
    EXPECT_EQ(o.burstsFile, "b.wav");
    EXPECT_EQ(o.leadSeconds, 1.5);
    EXPECT_TRUE(o.module.empty());
}

TEST(RenderOptions, FaultsAreNamed) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, "no plug-in module"},
        {{"-o", "x.wav"}, "no plug-in module"},
        {{"m", "a.wav", "b.wav", "-o", "x"}, "too many arguments: 'b.wav'"},
        {{"m"}, "nothing to do"},
        {{"m", "-o"}, "option -o needs a value"},
        {{"m", "--frobnicate", "-o", "x"}, "unknown option --frobnicate"},
        {{"m", "-o", "x", "-b", "0"}, "bad value '0' for -b"},
        {{"m", "-o", "x", "--block=2097153"}, "bad value '2097153' for --block"},
        {{"m", "-o", "x", "-r", "100"}, "bad value '100' for -r"},
        {{"m", "-o", "x", "-r", "48k"}, "bad value '48k' for -r"},
        {{"m", "-o", "x", "-p", "1=1.5"}, "normalised, from 0 to 1"},
        {{"m", "-o", "x", "-p", "1=nan"}, "expected <index>=<value>"},
        {{"m", "-o", "x", "-p", "-1=0.5"}, "expected <index>=<value>"},
        {{"m", "-o", "x", "-p", "0.5"}, "expected <index>=<value>"},
        {{"m", "-o", "x", "--random-blocks", "-3"}, "bad value '-3' for --random-blocks"},
        {{"m", "-o", "x", "--cutoff", "0"}, "bad value '0' for --cutoff"},
        {{"m", "in.wav", "-o", "x", "-r", "44100"}, "an input file brings its own sample rate"},
        {{"m", "-o", "x", "--recorded", "r.wav"}, "--recorded is measured by --response"},
        {{"m", "-o", "x", "--lead", "-1"}, "bad value '-1' for --lead"},
        {{"--bursts", "b.wav", "-o", "x"}, "no plug-in module"},
    };
    for (const auto& [args, message] : cases)
        EXPECT_NE(errorFor(args).find(message), std::string::npos)
            << "expected '" << message << "', got '" << errorFor(args) << "'";
}
