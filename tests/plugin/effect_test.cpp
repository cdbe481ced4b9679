// The high-pass effect: its texts for the host, the parameter mapping, the processing call's
// chunking and sample conversion, and its life cycle.
#include "plugin/test_host.h"
#include "support/capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define TORV_LEAK_CHECK 1
#endif
#endif

using namespace testhost;

namespace {

// Host texts: what the effect wrote into a buffer of `size` bytes, and whether it stayed in.
struct HostText {
    std::string text;
    bool overran;
};

HostText hostText(AEffect* e, VstInt32 opcode, VstInt32 index, size_t size) {
    std::vector<char> buffer(size + 8, '#');
    dispatch(e, opcode, index, 0, buffer.data());
    HostText r{std::string(buffer.data(), strnlen(buffer.data(), size)), false};
    for (size_t k = size; k < buffer.size(); ++k) r.overran |= buffer[k] != '#';
    return r;
}

void expectText(AEffect* e, VstInt32 opcode, VstInt32 index, size_t size, const char* expected) {
    HostText t = hostText(e, opcode, index, size);
    EXPECT_EQ(t.text, expected) << "opcode " << opcode << " index " << index;
    EXPECT_FALSE(t.overran) << "opcode " << opcode << " index " << index;
}

TEST(EffectTexts, ParameterNamesLabelsAndDisplays) {
    Effect e;
    expectText(e.get(), effGetParamName, 0, 8, "State");
    expectText(e.get(), effGetParamName, 1, 8, "Frequen"); // seven characters at most
    expectText(e.get(), effGetParamLabel, 0, 8, "On/Off");
    expectText(e.get(), effGetParamLabel, 1, 8, "Hz");
    expectText(e.get(), effGetParamDisplay, 0, 8, "On");
    // The display is the cutoff the filter uses, as the editor's read-out shows it ("239 Hz"),
    // not the knob's linear value (1500).
    expectText(e.get(), effGetParamDisplay, 1, 8, "239.478");
    e->setParameter(e.get(), 1, 0.5f);
    expectText(e.get(), effGetParamDisplay, 1, 8, "2515.00");
    e->setParameter(e.get(), 1, 1.0f);
    expectText(e.get(), effGetParamDisplay, 1, 8, "10000.0");
    e->setParameter(e.get(), 0, 0.0f);
    expectText(e.get(), effGetParamDisplay, 0, 8, "Off");
    e->setParameter(e.get(), 1, 0.0f);
    expectText(e.get(), effGetParamDisplay, 1, 8, "20.0000");
    // Indices the effect does not have give empty texts.
    expectText(e.get(), effGetParamName, 2, 8, "");
    expectText(e.get(), effGetParamDisplay, -1, 8, "");
}

TEST(EffectTexts, ProgramEffectVendorAndProduct) {
    Effect e;
    expectText(e.get(), effGetProgramName, 0, 24, "Default program");
    expectText(e.get(), effGetProgramNameIndexed, 5, 24, "Default program");
    char name[24];
    EXPECT_EQ(dispatch(e.get(), effGetProgramNameIndexed, 5, 0, name), 1);
    expectText(e.get(), effGetVendorString, 0, 64, "www.torvaudio.net");
    expectText(
        e.get(), effGetProductString, 0, 64, "www.torvaudio.net 3-rd order Butterworth high-pass");
    // The name has 32 letters: all of them and the zero, in the 33 bytes a host gives.
    expectText(e.get(), effGetEffectName, 0, 33, "3-rd order Butterworth high-pass");
}

TEST(EffectParameters, InitialStateAndFrequency) {
    Effect e;
    VX_Main_Vst* app = e.object();
    EXPECT_EQ(e->getParameter(e.get(), 0), 1.0f);
    EXPECT_FLOAT_EQ(e->getParameter(e.get(), 1), 1480.0f / 9980.0f);
    EXPECT_FLOAT_EQ(app->cutoff, 239.47897f);
    EXPECT_STREQ(app->readoutText(), "239 Hz");
    EXPECT_EQ(app->params[0].type, VX_TYPE_SWITCH);
    EXPECT_EQ(app->params[1].type, VX_TYPE_FLOAT);
}

TEST(EffectParameters, KnobMiddleGivesTheSquareLawCutoff) {
    Effect e;
    VX_Main_Vst* app = e.object();
    e->setParameter(e.get(), 1, 0.5f);
    EXPECT_EQ(app->params[1].value.f, 5010.0f);
    EXPECT_EQ(app->cutoff, 2515.0f);
    EXPECT_STREQ(app->readoutText(), "2515 Hz");
    EXPECT_EQ(e->getParameter(e.get(), 1), 0.5f);
    e->setParameter(e.get(), 1, 1.0f);
    EXPECT_EQ(app->cutoff, 10000.0f);
    e->setParameter(e.get(), 1, 0.0f);
    EXPECT_EQ(app->cutoff, 20.0f);
    EXPECT_STREQ(app->readoutText(), "20 Hz");
}

TEST(EffectParameters, SwitchTurnsOnOnlyAboveOneHalf) {
    Effect e;
    e->setParameter(e.get(), 0, 0.5f);
    EXPECT_EQ(e->getParameter(e.get(), 0), 0.0f);
    e->setParameter(e.get(), 0, 0.51f);
    EXPECT_EQ(e->getParameter(e.get(), 0), 1.0f);
}

TEST(EffectParameters, NonNumbersFromTheHostAreIgnored) {
    Effect e;
    e->setParameter(e.get(), 1, std::numeric_limits<float>::quiet_NaN());
    e->setParameter(e.get(), 1, std::numeric_limits<float>::infinity());
    EXPECT_EQ(e.object()->params[1].value.f, 1500.0f);
    e->setParameter(e.get(), 7, 0.3f); // no such parameter
    EXPECT_EQ(e->getParameter(e.get(), 7), 0.0f);
}

TEST(EffectParameters, AnIntegerWrittenIntoTheSwitchKeepsItASwitch) {
    // The on/off button writes a plain integer before calling apply.
    Effect e;
    VX_Application::Param& state = e.object()->params[0];
    state.value.i = 0;
    state.type = VX_TYPE_INT;
    state.apply(static_cast<VX_Application*>(e.object()));
    EXPECT_EQ(state.type, VX_TYPE_SWITCH);
    EXPECT_EQ(e->getParameter(e.get(), 0), 0.0f);
    expectText(e.get(), effGetParamDisplay, 0, 8, "Off");
    state.value.i = 5;
    state.type = VX_TYPE_INT;
    state.apply(static_cast<VX_Application*>(e.object()));
    EXPECT_EQ(state.value.i, 1);
    EXPECT_EQ(e->getParameter(e.get(), 0), 1.0f);
}

TEST(EffectParameters, IntegerParametersMapOverTheirRange) {
    Effect e;
    VX_Application::Param& p = e.object()->params[1];
    p.type = VX_TYPE_INT;
    p.minimum = 20;
    p.maximum = 10000;
    e->setParameter(e.get(), 1, 0.5f);
    EXPECT_EQ(p.value.i, 5010);
    EXPECT_FLOAT_EQ(e->getParameter(e.get(), 1), 4990.5f / 9981.0f);
    expectText(e.get(), effGetParamDisplay, 1, 8, "5010 Hz");
    e->setParameter(e.get(), 1, 1.0f);
    EXPECT_EQ(p.value.i, 10000);
    EXPECT_EQ(e.object()->cutoff, 10000.0f); // the hook reads the integer as hertz
}

// A node that records what each block looked like and, like the output copy, passes buf_i to
// buf_o so that the conversion on both sides shows.
class Probe : public VX_Effect {
public:
    explicit Probe(VX_Application* app) : in(app->graph->input), out(app->graph->output) {
        soundpipe = app->graph->soundpipe;
        soundpipe->nodes.insert(&item); // last in the processing order
    }
    void process() override {
        const int32_t n = std::min(lengthOf(in), lengthOf(out));
        blocks.push_back(n);
        int32_t* x = access(in);
        int32_t* y = access(out);
        firstInput.assign(x, x + n);
        for (int32_t k = 0; k < n; ++k) y[k] = x[k];
    }
    void reset() override { ++resets; }
    void clockChanged() override { clocks.push_back(clock); }

    VX_Buffer* in;
    VX_Buffer* out;
    std::vector<int32_t> blocks;
    std::vector<int32_t> firstInput;
    std::vector<int32_t> clocks;
    int resets = 0;
};

struct Io {
    explicit Io(size_t n) : in(n, 0.0f), left(n, 7.0f), right(n, 7.0f) {}
    std::vector<float> in, left, right;
    float* inputs[2] = {in.data(), nullptr};
    float* outputs[2] = {left.data(), right.data()};
};

TEST(EffectProcessing, ChunksOfAtMostOneGraphBlock) {
    Effect e;
    Probe probe(e.object());
    Io io(1025);
    // No block, nor a negative length from a hostile host, runs anything.
    for (VstInt32 none : {0, -1, INT32_MIN})
        e->processReplacing(e.get(), io.inputs, io.outputs, none);
    EXPECT_TRUE(probe.blocks.empty());
    EXPECT_EQ(io.left[0], 7.0f);
    e->processReplacing(e.get(), io.inputs, io.outputs, 1000);
    EXPECT_EQ(probe.blocks, (std::vector<int32_t>{512, 488}));
    probe.blocks.clear();
    e->processReplacing(e.get(), io.inputs, io.outputs, 1025);
    EXPECT_EQ(probe.blocks, (std::vector<int32_t>{512, 512, 1}));
}

TEST(EffectProcessing, InputIsClippedAndScaledToTheFixedPointRange) {
    Effect e;
    Probe probe(e.object());
    Io io(11);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Groups of four go through vector instructions, the rest one by one: each kind of value
    // is in both.
    io.in = {1.0f, -1.0f, 1.5f, nan, 0.5f, -nan, inf, -0.25f, -2.0f, -inf, nan};
    io.inputs[0] = io.in.data();
    e->processReplacing(e.get(), io.inputs, io.outputs, 11);
    const int32_t full = 1073741824;
    EXPECT_EQ(
        probe.firstInput,
        (std::vector<int32_t>{
            full, -full, full, -full, full / 2, -full, full, -full / 4, -full, -full, -full}));
    // Back out at 2^-30, the same on both channels.
    EXPECT_EQ(io.left,
              (std::vector<float>{
                  1.0f, -1.0f, 1.0f, -1.0f, 0.5f, -1.0f, 1.0f, -0.25f, -1.0f, -1.0f, -1.0f}));
    EXPECT_EQ(io.right, io.left);
}

TEST(EffectProcessing, TheSameArrayMayBeInputAndOutput) {
    Effect e;
    Probe probe(e.object());
    std::vector<float> left(600), right(600);
    for (size_t k = 0; k < left.size(); ++k) left[k] = static_cast<float>(k) / 1024.0f - 0.25f;
    const std::vector<float> original = left;
    float* inputs[1] = {left.data()};
    float* outputs[2] = {left.data(), right.data()};
    e->processReplacing(e.get(), inputs, outputs, 600);
    EXPECT_EQ(left, original);
    EXPECT_EQ(right, original);
}

TEST(EffectProcessing, WithoutInputsTheGraphGetsSilence) {
    Effect e;
    Probe probe(e.object());
    Io io(4);
    e->processReplacing(e.get(), nullptr, io.outputs, 4);
    EXPECT_EQ(io.left, (std::vector<float>(4, 0.0f)));
    e->processReplacing(e.get(), io.inputs, nullptr, 4); // nowhere to write: nothing happens
}

TEST(EffectLifecycle, SampleRateReachesEveryNodeAsItsClock) {
    Effect e;
    Probe probe(e.object());
    dispatch(e.get(), effSetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch(e.get(), effSetSampleRate, 0, 0, nullptr, 44100.9f);
    EXPECT_EQ(probe.clocks, (std::vector<int32_t>{48000, 44100}));
    EXPECT_EQ(e.object()->sampleRateHz, 44100);
}

// Hosts have passed 0, negative, non-finite and absurd rates: the filters keep the rate they had.
TEST(EffectLifecycle, InvalidSampleRatesAreIgnored) {
    Effect e;
    Probe probe(e.object());
    dispatch(e.get(), effSetSampleRate, 0, 0, nullptr, 48000.0f);
    for (float bad : {0.0f,
                      -44100.0f,
                      0.5f,
                      std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity(),
                      2147483648.0f,
                      1e30f})
        dispatch(e.get(), effSetSampleRate, 0, 0, nullptr, bad);
    EXPECT_EQ(probe.clocks, (std::vector<int32_t>{48000}));
    EXPECT_EQ(e.object()->sampleRateHz, 48000);
    EXPECT_EQ(e.object()->getSampleRate(), 48000.0f);
    // The extremes of what the clock holds are rates all the same.
    dispatch(e.get(), effSetSampleRate, 0, 0, nullptr, 1.0f);
    dispatch(e.get(), effSetSampleRate, 0, 0, nullptr, 2147483520.0f); // the last float below 2^31
    EXPECT_EQ(probe.clocks, (std::vector<int32_t>{48000, 1, 2147483520}));
}

TEST(EffectLifecycle, OpenClearsBuffersAndResetsNodes) {
    Effect e;
    Probe probe(e.object());
    Io io(16);
    std::fill(io.in.begin(), io.in.end(), 0.5f);
    e->processReplacing(e.get(), io.inputs, io.outputs, 16);
    ASSERT_NE(e.object()->graph->input->main[0], 0);
    dispatch(e.get(), effOpen);
    EXPECT_EQ(e.object()->graph->input->main[0], 0);
    EXPECT_EQ(e.object()->graph->output->main[15], 0);
    EXPECT_EQ(probe.resets, 1);
}

TEST(EffectLifecycle, CloseDeletesTheGraphAndNothingLeaks) {
    std::string out = stdoutOf([] {
        for (int k = 0; k < 1000; ++k) {
            AEffect* e = VSTPluginMain(callback);
            ASSERT_NE(e, nullptr);
            e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
            e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
        }
    });
    EXPECT_EQ(VX_Soundpipe::current, nullptr);
#ifdef TORV_LEAK_CHECK
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

// ---- With the filter nodes in the graph ------------------------------------------------------

// A node's report as a number, whichever numeric type the node reports it in.
double queryNumber(VX_Effect* node, const char* option) {
    char text[64];
    int capacity = sizeof text;
    const std::string command = std::string("%o -") + option;
    if (VX_cmd_text(text, &capacity, command.c_str(), node) != VX_OK) return -1.0;
    return std::stod(std::string(text, static_cast<size_t>(capacity)));
}

int32_t queryOn(VX_Effect* node) {
    int32_t v = -1;
    VX_cmd("VX_Effect %o -on", node, &v);
    return v;
}

double rms(const std::vector<float>& x, size_t from) {
    double sum = 0.0;
    for (size_t k = from; k < x.size(); ++k) sum += double(x[k]) * x[k];
    return std::sqrt(sum / double(x.size() - from));
}

std::vector<float> sine(double frequency, double rate, size_t n, float amplitude) {
    std::vector<float> x(n);
    for (size_t k = 0; k < n; ++k)
        x[k] = amplitude * static_cast<float>(std::sin(2.0 * 3.14159265358979323846 * frequency *
                                                       double(k) / rate));
    return x;
}

// A class missing from the registry leaves the graph without it: that is a failure, not a
// reason to skip the tests of the filter.
TEST(EffectFilter, EveryClassOfTheGraphIsRegistered) {
    for (const char* name :
         {"VX_Soundpipe", "VX_Buffer", "VX_Effect_Copy", "VX_Effect_Hipass", "VX_Effect_Bapass"})
        EXPECT_NE(VX_find_class(name), nullptr) << name;
    Effect e;
    const HighpassGraph& g = *e.object()->graph;
    for (const void* part : {static_cast<const void*>(g.soundpipe),
                             static_cast<const void*>(g.input),
                             static_cast<const void*>(g.work),
                             static_cast<const void*>(g.output),
                             static_cast<const void*>(g.bypass),
                             static_cast<const void*>(g.highpass),
                             static_cast<const void*>(g.bandpass),
                             static_cast<const void*>(g.outputCopy)})
        EXPECT_NE(part, nullptr);
}

TEST(EffectFilter, NodesFollowTheParameters) {
    Effect e;
    VX_Main_Vst* app = e.object();
    ASSERT_NE(app->graph->highpass, nullptr);
    ASSERT_NE(app->graph->bandpass, nullptr);
    EXPECT_EQ(app->graph->soundpipe->nodes.count, 4);
    e->setParameter(e.get(), 1, 0.5f);
    EXPECT_EQ(queryNumber(app->graph->highpass, "f"), 2515.0);
    EXPECT_EQ(queryNumber(app->graph->bandpass, "f"), 2515.0);
    EXPECT_EQ(queryOn(app->graph->highpass), 1);
    e->setParameter(e.get(), 0, 0.5f);
    EXPECT_EQ(queryOn(app->graph->highpass), 0);
    EXPECT_EQ(queryOn(app->graph->bandpass), 0);
}

TEST(EffectFilter, CutsLowFrequenciesAndPassesHighOnes) {
    Effect e;
    dispatch(e.get(), effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch(e.get(), effOpen);
    auto run = [&](double frequency) {
        std::vector<float> in = sine(frequency, 44100.0, 44100, 0.5f);
        std::vector<float> left(in.size()), right(in.size());
        float* inputs[1] = {in.data()};
        float* outputs[2] = {left.data(), right.data()};
        e->processReplacing(e.get(), inputs, outputs, static_cast<VstInt32>(in.size()));
        return rms(left, 22050) / rms(in, 22050);
    };
    // Cutoff 239 Hz, third order: 20 Hz lies about 65 dB down, 5 kHz passes.
    EXPECT_LT(run(20.0), 0.003);
    EXPECT_NEAR(run(5000.0), 1.0, 0.06);
    // Switched off, after the one-block fade, the input passes as it was quantised.
    e->setParameter(e.get(), 0, 0.0f);
    run(20.0);
    std::vector<float> in = sine(20.0, 44100.0, 512, 0.5f), left(512), right(512);
    float* inputs[1] = {in.data()};
    float* outputs[2] = {left.data(), right.data()};
    e->processReplacing(e.get(), inputs, outputs, 512);
    for (size_t k = 0; k < in.size(); ++k)
        ASSERT_EQ(left[k],
                  static_cast<float>(static_cast<int32_t>(in[k] * 1073741824.0f)) * 9.313226e-10f)
            << k;
}

// Whatever rates a host sets, with full-scale noise processed at each of them, the filters are
// clean once a valid rate is set: after a second of silence a tone comes out as from an effect
// that only ever had that rate.
TEST(EffectFilter, AValidRateAfterAnySequenceOfRatesGivesACleanFilter) {
    const auto run = [](Effect& e, std::vector<float> in) {
        std::vector<float> left(in.size()), right(in.size());
        float* inputs[1] = {in.data()};
        float* outputs[2] = {left.data(), right.data()};
        e->processReplacing(e.get(), inputs, outputs, static_cast<VstInt32>(in.size()));
        return left;
    };
    std::vector<float> noise(8820);
    uint32_t bits = 99;
    for (float& v : noise) {
        bits = bits * 1664525u + 1013904223u;
        v = (bits >> 31) ? 1.0f : static_cast<float>(bits >> 8) / 8388608.0f - 1.0f;
    }
    const std::vector<float> silence(44100 + 4410, 0.0f), tone = sine(1000.0, 44100.0, 4410, 0.5f);

    Effect tried, fresh;
    for (Effect* e : {&tried, &fresh}) {
        dispatch(e->get(), effSetSampleRate, 0, 0, nullptr, 44100.0f);
        dispatch(e->get(), effOpen);
    }
    for (float rate : {0.0f,
                       -44100.0f,
                       std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(),
                       1.0f,
                       3.0f,
                       2147483520.0f,
                       1e30f,
                       -1.0f,
                       44100.0f}) {
        dispatch(tried.get(), effSetSampleRate, 0, 0, nullptr, rate);
        run(tried, noise);
    }
    dispatch(tried.get(), effSetSampleRate, 0, 0, nullptr, 44100.0f);
    run(tried, silence);
    run(fresh, silence);
    const std::vector<float> a = run(tried, tone), b = run(fresh, tone);
    float worst = 0.0f;
    for (size_t k = 0; k < a.size(); ++k) worst = std::max(worst, std::fabs(a[k] - b[k]));
    // What the one-pole's rounding leaves differs by well under -100 dBFS.
    EXPECT_LT(worst, 1e-5f);
}

} // namespace
