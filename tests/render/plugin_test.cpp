// The real plug-in module, loaded and driven exactly as a host does: what the host sees of the
// effect, the parameter law, processing in odd blocks, clipping, bypass, the crossfade of the
// on/off switch, the measured cutoff, and reference renders whose checksums every platform must
// reproduce bit for bit.
#include "tools/torv-render/render_main.h"
#include "tools/torv-render/wav_file.h"
#include "tools/vsthost/render.h"
#include "tools/vsthost/response.h"

#include "support/golden.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>

#ifndef RENDER_TORV_MODULE
#error "RENDER_TORV_MODULE (the path of the plug-in module) must be defined"
#endif

namespace {

constexpr VstInt32 stateParam = 0, frequencyParam = 1;
// The Frequency parameter that puts the cutoff at exactly 1000 Hz.
constexpr float cutoff1000 = 0.313363045f;

class TorvModule : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        module = Module::load(RENDER_TORV_MODULE, error);
        ASSERT_TRUE(module) << error;
    }
    static void TearDownTestSuite() { module.reset(); }

    // A new effect, started as a host starts one.
    std::unique_ptr<Plugin> start(double rate = 48000, int32_t block = 512) {
        std::string error;
        auto p = startEffect(module, rate, block, error);
        EXPECT_TRUE(p) << error;
        return p;
    }

    // The left output for `in`, in blocks of `block`; the right output must be the same.
    static std::vector<float> run(Plugin& p, const std::vector<float>& in, int32_t block) {
        std::vector<float> left(in.size()), right(in.size());
        EffectRunner runner(p, BlockSchedule::fixed(block));
        runner.run(in.data(), left.data(), right.data(), in.size());
        EXPECT_EQ(std::memcmp(left.data(), right.data(), left.size() * sizeof(float)), 0);
        return left;
    }

    static double gainDb(Plugin& p, double hz) {
        EffectRunner runner(p, BlockSchedule::fixed(p.blockSize()));
        response::Setup setup;
        setup.sampleRate = p.sampleRate();
        return response::measure(
                   [&](const float* in, float* out, size_t n) { runner.run(in, out, nullptr, n); },
                   {hz},
                   setup)
            .front()
            .measuredDb;
    }

    static std::vector<float> noise(size_t n, float level, uint64_t seed = 1) {
        std::vector<float> x(n);
        for (auto& v : x) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            v = level * (static_cast<float>(seed >> 40) / 8388608.0f - 1.0f);
        }
        return x;
    }

    // What the effect passes when switched off: the input as a 2^30-scaled integer and back.
    static float bypassed(float x) {
        const float clipped = x > 1.0f ? 1.0f : (x >= -1.0f ? x : -1.0f);
        return static_cast<float>(static_cast<int32_t>(clipped * 1073741824.0f)) *
               (1.0f / 1073741824.0f);
    }

    static std::shared_ptr<Module> module;
};

std::shared_ptr<Module> TorvModule::module;

} // namespace

TEST_F(TorvModule, EffectRecordAsTheHostSeesIt) {
    auto p = start();
    ASSERT_TRUE(p);
    const AEffect* e = p->effect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 2);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_TRUE(e->flags & effFlagsCanReplacing);
    EXPECT_FALSE(e->flags & effFlagsProgramChunks);
    EXPECT_EQ(e->uniqueID, 0x34326264);
    EXPECT_EQ(std::memcmp(&e->uniqueID, "db24", 4), 0);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(p->dispatch(effIdentify), kEffectIdentify);
    EXPECT_EQ(p->dispatch(effGetPlugCategory), kPlugCategEffect);
    EXPECT_EQ(p->dispatch(effGetVendorVersion), 1000);
    EXPECT_EQ(p->dispatch(effGetVstVersion), 2400);
    EXPECT_GE(p->callbackCalls[audioMasterVersion], 1u);
}

TEST_F(TorvModule, HostTextsAreExactAndStayWithinTheirBuffers) {
    auto p = start();
    ASSERT_TRUE(p);
    struct Query {
        VstInt32 opcode, index;
        size_t limit;
        const char* expected;
    };
    // The effect name has 32 characters, the most the interface allows: the whole name and
    // the terminator, 33 bytes. Parameter texts stay within 7 characters and theirs.
    const Query queries[] = {
        {effGetEffectName, 0, kVstMaxEffectNameLen + 1, "3-rd order Butterworth high-pass"},
        {effGetVendorString, 0, kVstMaxVendorStrLen, "www.torvaudio.net"},
        {effGetProductString,
         0,
         kVstMaxProductStrLen,
         "www.torvaudio.net 3-rd order Butterworth high-pass"},
        {effGetParamName, stateParam, kVstMaxParamStrLen, "State"},
        {effGetParamName, frequencyParam, kVstMaxParamStrLen, "Frequen"},
        {effGetParamLabel, stateParam, kVstMaxParamStrLen, "On/Off"},
        {effGetParamLabel, frequencyParam, kVstMaxParamStrLen, "Hz"},
        {effGetParamDisplay, stateParam, kVstMaxParamStrLen, "On"},
        {effGetParamDisplay, frequencyParam, kVstMaxParamStrLen, "239.478"},
        {effGetProgramName, 0, kVstMaxProgNameLen, "Default program"},
    };
    for (const Query& q : queries) {
        const Plugin::Text t = p->queryText(q.opcode, q.index, q.limit);
        EXPECT_EQ(t.value, q.expected) << "opcode " << q.opcode;
        EXPECT_TRUE(t.terminated) << "opcode " << q.opcode;
        EXPECT_FALSE(t.overran) << "opcode " << q.opcode;
    }
    for (VstInt32 index : {0, 5, 1000}) {
        const Plugin::Text t = p->queryText(effGetProgramNameIndexed, index, kVstMaxProgNameLen);
        EXPECT_EQ(t.value, "Default program");
        EXPECT_FALSE(t.overran);
    }
}

TEST_F(TorvModule, ParameterLawOfTheHost) {
    auto p = start();
    ASSERT_TRUE(p);
    p->setParameter(frequencyParam, 0.5f);
    EXPECT_EQ(p->getParameter(frequencyParam), 0.5f);
    EXPECT_EQ(p->parameterDisplay(frequencyParam), "2515.00"); // the cutoff, not the knob (5010)
    p->setParameter(stateParam, 0.5f);                         // not above 0.5: off
    EXPECT_EQ(p->getParameter(stateParam), 0.0f);
    EXPECT_EQ(p->parameterDisplay(stateParam), "Off");
    p->setParameter(stateParam, 0.51f);
    EXPECT_EQ(p->getParameter(stateParam), 1.0f);
    EXPECT_EQ(p->parameterDisplay(stateParam), "On");
}

TEST_F(TorvModule, MeasuredCutoffFollowsTheParameter) {
    // setParameter(1, 0.5) puts the cutoff at 2515 Hz. At 192 kHz the discretisation adds
    // little, so the -3 dB point of the output lies there.
    auto p = start(192000);
    ASSERT_TRUE(p);
    p->setParameter(frequencyParam, 0.5f);
    double lo = 2000, hi = 3200;
    for (int i = 0; i < 12; ++i) {
        const double mid = std::sqrt(lo * hi);
        (gainDb(*p, mid) < -3.0103 ? lo : hi) = mid;
    }
    EXPECT_NEAR(lo, 2515, 2515 * 0.02);

    // At 44.1 kHz and a 1000 Hz cutoff the effect's own discretisation gives -3.3 dB at the
    // cutoff, -18.2 dB an octave below, -35.9 dB two octaves below, about -0.6 dB above 2 kHz.
    auto q = start(44100);
    ASSERT_TRUE(q);
    q->setParameter(frequencyParam, cutoff1000);
    EXPECT_NEAR(gainDb(*q, 1000), -3.3, 0.1);
    EXPECT_NEAR(gainDb(*q, 500), -18.2, 0.1);
    EXPECT_NEAR(gainDb(*q, 250), -35.9, 0.1);
    for (double hz : {2000.0, 5000.0, 15000.0}) EXPECT_NEAR(gainDb(*q, hz), -0.6, 0.15) << hz;
}

TEST_F(TorvModule, ZeroFramesDoNothingAndBlocksOfAnySizeGiveTheSameStream) {
    const std::vector<float> in = noise(5000, 0.7f);
    auto reference = start();
    ASSERT_TRUE(reference);
    const std::vector<float> whole = run(*reference, in, 1000);

    // frames = 0 touches neither the outputs nor the stream.
    auto p = start();
    ASSERT_TRUE(p);
    float sentinel[2] = {1234.5f, 1234.5f};
    float* outs[2] = {&sentinel[0], &sentinel[1]};
    float* ins[1] = {const_cast<float*>(in.data())};
    p->processReplacing(ins, outs, 0);
    EXPECT_EQ(sentinel[0], 1234.5f);
    EXPECT_EQ(sentinel[1], 1234.5f);
    // 1000 frames run as 512 + 488 inside: the same as the host giving those blocks.
    std::vector<float> split;
    size_t at = 0;
    for (int32_t n : {512, 488, 512, 488, 512, 488, 512, 488, 512, 488}) {
        const std::vector<float> part(in.begin() + at, in.begin() + at + n);
        const std::vector<float> out = run(*p, part, n);
        split.insert(split.end(), out.begin(), out.end());
        at += n;
    }
    EXPECT_EQ(split, whole);

    // Other block sizes differ only while the initial switch-on fades in (one block).
    for (int32_t block : {1, 17, 64, 513, 4096}) {
        auto b = start(48000, block);
        ASSERT_TRUE(b);
        const std::vector<float> out = run(*b, in, block);
        for (size_t i = 4096; i < in.size(); ++i)
            ASSERT_EQ(out[i], whole[i]) << "block " << block << ", sample " << i;
    }
}

TEST_F(TorvModule, InputIsClippedToFullScaleAndNaNBecomesMinusOne) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Switched off, the effect passes its clipped input: the clipping shows directly.
    auto p = start();
    ASSERT_TRUE(p);
    p->setParameter(stateParam, 0.0f);
    run(*p, std::vector<float>(1024, 0.0f), 512); // the switch-off fade
    const std::vector<float> in = {1.0f, -1.0f, 1.5f, nan, 0.25f, -3.0f, inf, -inf, -0.5f};
    const std::vector<float> expected = {
        1.0f, -1.0f, 1.0f, -1.0f, 0.25f, -1.0f, 1.0f, -1.0f, -0.5f};
    EXPECT_EQ(run(*p, in, 9), expected);

    // Filtering, 1.5 acts as 1.0 and NaN as -1.0.
    std::vector<float> a = noise(2000, 0.5f), b = a;
    a[700] = 1.5f;
    b[700] = 1.0f;
    a[900] = nan;
    b[900] = -1.0f;
    auto pa = start(), pb = start();
    ASSERT_TRUE(pa && pb);
    const std::vector<float> outA = run(*pa, a, 512), outB = run(*pb, b, 512);
    EXPECT_EQ(outA, outB);
    for (float v : outA) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(TorvModule, SwitchedOffThePluginPassesTheInput) {
    auto p = start();
    ASSERT_TRUE(p);
    p->setParameter(stateParam, 0.0f);
    const std::vector<float> in = noise(48000, 0.9f, 5);
    const std::vector<float> out = run(*p, in, 512);
    for (size_t i = 512; i < in.size(); ++i)
        ASSERT_NEAR(out[i], bypassed(in[i]), std::fabs(in[i]) * 1.2e-7f) << i;
}

TEST_F(TorvModule, SwitchingStateMidStreamCrossfadesOverOneBlock) {
    // A steady 100 Hz tone: the filtered and the bypassed signal differ markedly.
    std::vector<float> in(8192);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<float>(0.8 * std::sin(2 * 3.141592653589793 * 100.0 * i / 48000.0));
    auto on = start(), switched = start();
    ASSERT_TRUE(on && switched);
    const std::vector<float> filtered = run(*on, in, 512);
    const size_t at = 4096; // a block boundary
    std::vector<float> out = run(*switched, {in.begin(), in.begin() + at}, 512);
    switched->setParameter(stateParam, 0.0f);
    const std::vector<float> rest = run(*switched, {in.begin() + at, in.end()}, 512);
    out.insert(out.end(), rest.begin(), rest.end());

    for (size_t i = 0; i < at; ++i) ASSERT_EQ(out[i], filtered[i]) << i;
    // Within the block after the switch the output moves from the filtered signal to the
    // input in a straight line: a mix whose weight of the input is k/512 at sample k.
    size_t checked = 0;
    for (size_t i = at; i < at + 512; ++i) {
        const double gap = bypassed(in[i]) - filtered[i];
        if (std::fabs(gap) < 0.05) continue;
        const double weight = (out[i] - filtered[i]) / gap;
        EXPECT_NEAR(weight, (i - at) / 512.0, 0.01) << "sample " << i - at << " of the fade";
        ++checked;
    }
    EXPECT_GT(checked, 300u);
    for (size_t i = at + 512; i < in.size(); ++i)
        ASSERT_NEAR(out[i], bypassed(in[i]), std::fabs(in[i]) * 1.2e-7f) << i;
}

// Reference renders: the same built-in signal and settings must give these output samples on
// every platform (natively, Windows x64 and 32-bit Windows).
TEST_F(TorvModule, ReferenceRendersAreTheSameBitsEverywhere) {
    const struct {
        std::vector<std::string> settings;
        uint64_t checksum;
        std::vector<float> excerpt; // of the interleaved output samples
    } renders[] = {
        {{},
         0xbd310e5b05404471ull,
         {0.0f,
          0.000682840124f,
          0.00656311773f,
          -0.0246623438f,
          -0.0919389352f,
          0.417781085f,
          -0.31375429f,
          -0.329189569f,
          0.491296977f,
          -0.0319927596f,
          -0.321145356f,
          0.467512667f,
          -0.463672906f,
          -0.165923342f,
          0.297551334f,
          -0.482913673f}},
        {{"-p", "1=0.25", "--random-blocks", "700", "--seed", "7"},
         0xdf07ade2085a93edull,
         {0.0f,
          7.84741715e-05f,
          0.000401544385f,
          -0.00213245396f,
          -0.0111206323f,
          -0.00379144214f,
          -0.143924773f,
          0.115436532f,
          0.403543919f,
          0.103012025f,
          -0.365962088f,
          0.441762865f,
          -0.446072936f,
          -0.205289394f,
          0.34671253f,
          -0.460734725f}},
    };
    const std::string output = testing::TempDir() + "torv-reference-render.wav";
    for (const auto& render : renders) {
        std::vector<std::string> args = {RENDER_TORV_MODULE, "-q", "-o", output};
        args.insert(args.end(), render.settings.begin(), render.settings.end());
        std::ostringstream out, err;
        ASSERT_EQ(runRender(args, out, err), 0) << err.str();
        const std::string report = out.str(), label = "of the float samples): ";
        const size_t at = report.find(label);
        ASSERT_NE(at, std::string::npos) << report;
        const uint64_t checksum = std::strtoull(report.c_str() + at + label.size(), nullptr, 16);
        wav::Audio audio;
        std::string error;
        ASSERT_TRUE(wav::readFile(output, audio, error)) << error;
        EXPECT_TRUE(golden::matches(checksum, audio.samples, render.checksum, render.excerpt));
    }
    std::remove(output.c_str());
}
