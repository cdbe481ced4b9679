// The VST 2.4 layer as a host sees it: the effect record, the dispatcher's rules and trace
// lines, the defaults of the base classes and their number-to-text conversions.
#include "plugin/test_host.h"
#include "plugin/vst/vst_trace.h"
#include "support/capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

using namespace testhost;

namespace {

const std::string config =
    "( VST_FORCE_DEPRECATED VST_2_1_EXTENSIONS VST_2_3_EXTENSIONS VST_2_4_EXTENSIONS)\n";

std::string line(const char* who, int opcode, const char* name, const std::string& rest) {
    return std::string(who) + "::dispatcher opcode=" + std::to_string(opcode) + " '" + name + "' " +
           rest + " " + config;
}

TEST(VstRecord, DescribesAMonoInStereoOutEffectWithTwoParameters) {
    Effect e;
    ASSERT_NE(e.get(), nullptr);
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 2);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    // Replacing only: no editor yet, and programs are not chunks.
    EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsHasEditor);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->uniqueID, 0x34326264);
    EXPECT_EQ(std::memcmp(&e->uniqueID, "db24", 4), 0);
    EXPECT_EQ(e->version, 1);
    EXPECT_NE(e.object(), nullptr);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
}

TEST(VstEntry, RefusesAHostWithoutAVersion) {
    version = 0;
    AEffect* e = create();
    version = 2400;
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(VSTPluginMain(nullptr), nullptr);
}

TEST(VstEntry, BuildingLeavesNoCurrentSoundpipeAndInstancesShareNothing) {
    Effect a, b;
    EXPECT_EQ(VX_Soundpipe::current, nullptr);
    ASSERT_NE(a.object()->graph->soundpipe, nullptr);
    EXPECT_NE(a.object()->graph->soundpipe, b.object()->graph->soundpipe);
    EXPECT_NE(a.object()->graph->input, b.object()->graph->input);
    EXPECT_EQ(a.object()->graph->input->soundpipe, a.object()->graph->soundpipe);
    EXPECT_EQ(a.object()->graph->soundpipe->buffers.count, 3);
}

TEST(VstTrace, ExtendedOpcodeWritesOneLine) {
    Effect e;
    VstIntPtr result = 0;
    EXPECT_EQ(traceOf(e.get(), effGetVstVersion, 0, 0, nullptr, 0.0f, &result),
              line("AudioEffectX", 58, "effGetVstVersion", "index=0 value=0 ptr=0 opt=0.000000"));
    EXPECT_EQ(result, 2400);
}

TEST(VstTrace, BaseOpcodeWritesTwoLinesAndGetProgramAThird) {
    Effect e;
    VstIntPtr result = -1;
    EXPECT_EQ(traceOf(e.get(), effGetProgram, 0, 0, nullptr, 0.0f, &result),
              line("AudioEffectX", 3, "UNKNOWN", "index=0 value=0 ptr=0 opt=0.000000") +
                  line("AudioEffect", 3, "effGetProgram", "index=0 value=0 ptr=0 opt=0.000000") +
                  "DISPATCH effGetProgram\n");
    EXPECT_EQ(result, 0);
}

TEST(VstTrace, ArgumentsArePrintedInFull) {
    Effect e;
    char text[kVstMaxProgNameLen] = {};
    const std::string ptr = std::to_string(reinterpret_cast<intptr_t>(static_cast<void*>(text)));
    EXPECT_EQ(traceOf(e.get(), effGetProgramName, 7, -5, text, 0.5f),
              line("AudioEffectX", 5, "UNKNOWN", "index=7 value=-5 ptr=" + ptr + " opt=0.500000") +
                  line("AudioEffect",
                       5,
                       "effGetProgramName",
                       "index=7 value=-5 ptr=" + ptr + " opt=0.500000"));
#if INTPTR_MAX > INT32_MAX
    // A 64-bit host's pointers do not fit 32 bits; the whole value is shown. The opcode is one
    // nobody answers, so the pointer is never followed.
    void* high = reinterpret_cast<void*>(static_cast<intptr_t>(0x123456789));
    EXPECT_EQ(traceOf(e.get(), 300, 0, static_cast<VstIntPtr>(0x200000000), high),
              line("AudioEffectX",
                   300,
                   "UNKNOWN",
                   "index=0 value=8589934592 ptr=4886718345 opt=0.000000") +
                  line("AudioEffect",
                       300,
                       "UNKNOWN",
                       "index=0 value=8589934592 ptr=4886718345 opt=0.000000"));
#endif
}

TEST(VstTrace, OpcodeNamesAndTheGapsBetweenThem) {
    EXPECT_STREQ(vst_base_opcode_name(0), "effOpen");
    EXPECT_STREQ(vst_base_opcode_name(8), "effGetParamName");
    EXPECT_STREQ(vst_base_opcode_name(24), "effSetChunk");
    EXPECT_STREQ(vst_extended_opcode_name(25), "effProcessEvents");
    EXPECT_STREQ(vst_extended_opcode_name(29), "effGetProgramNameIndexed");
    EXPECT_STREQ(vst_extended_opcode_name(56), "effGetParameterProperties");
    EXPECT_STREQ(vst_extended_opcode_name(79), "effGetNumMidiOutputChannels");
    // Deprecated and unknown numbers have no name in either table.
    for (int op : {9, 16, 17, 18, 20, 21, 25, -1})
        EXPECT_STREQ(vst_base_opcode_name(op), "UNKNOWN") << op;
    for (int op : {0, 24, 28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80})
        EXPECT_STREQ(vst_extended_opcode_name(op), "UNKNOWN") << op;
    // The extended table names 43 opcodes.
    int named = 0;
    for (int op = 25; op < 100; ++op)
        named += std::strcmp(vst_extended_opcode_name(op), "UNKNOWN") != 0;
    EXPECT_EQ(named, 43);
}

TEST(VstDispatch, AnswersOfTheBaseAndExtendedDefaults) {
    Effect e;
    EXPECT_EQ(dispatch(e.get(), effIdentify), 0x4e764566);
    EXPECT_EQ(dispatch(e.get(), effGetPlugCategory), 1);
    EXPECT_EQ(dispatch(e.get(), effGetVendorVersion), 1000);
    EXPECT_EQ(dispatch(e.get(), effGetVstVersion), 2400);
    EXPECT_EQ(dispatch(e.get(), effCanBeAutomated, 1), 1);
    char question[] = "receiveVstEvents";
    EXPECT_EQ(dispatch(e.get(), effCanDo, 0, 0, question), 0);
    EXPECT_EQ(dispatch(e.get(), effVendorSpecific, 1, 2, nullptr, 3.0f), 0);
    EXPECT_EQ(dispatch(e.get(), effGetTailSize), 0);
    EXPECT_EQ(dispatch(e.get(), effSetBypass, 0, 1), 0);
    EXPECT_EQ(dispatch(e.get(), 9), 0);
    // Text opcodes without a text do nothing rather than write through null.
    EXPECT_EQ(dispatch(e.get(), effGetParamName, 0, 0, nullptr), 0);
    EXPECT_EQ(dispatch(e.get(), effGetEffectName, 0, 0, nullptr), 0);
    EXPECT_EQ(dispatch(e.get(), effGetChunk, 0, 0, nullptr), 0);
}

TEST(VstDispatch, SampleRateAndBlockSizeReachTheObject) {
    Effect e;
    EXPECT_EQ(e.object()->getSampleRate(), 44100.0f);
    EXPECT_EQ(e.object()->getBlockSize(), 1024);
    dispatch(e.get(), effSetSampleRate, 0, 0, nullptr, 48000.75f);
    dispatch(e.get(), effSetBlockSize, 0, 256);
    EXPECT_EQ(e.object()->getSampleRate(), 48000.75f);
    EXPECT_EQ(e.object()->sampleRateHz, 48000);
    EXPECT_EQ(e.object()->getBlockSize(), 256);
    // Suspend, resume and program changes are accepted and change nothing.
    EXPECT_EQ(dispatch(e.get(), effMainsChanged, 0, 1), 0);
    EXPECT_EQ(dispatch(e.get(), effMainsChanged, 0, 0), 0);
    EXPECT_EQ(dispatch(e.get(), effSetProgram, 0, 0), 0);
    EXPECT_EQ(dispatch(e.get(), effSetProgram, 0, 5), 0);
    EXPECT_EQ(dispatch(e.get(), effGetProgram), 0);
}

TEST(VstDispatch, ChunksCarryNoData) {
    Effect e;
    void* data = &data;
    EXPECT_EQ(dispatch(e.get(), effGetChunk, 1, 0, &data), 0);
    EXPECT_EQ(data, nullptr);
    char block[10] = {};
    EXPECT_EQ(dispatch(e.get(), effSetChunk, 0, sizeof block, block), 10);
    EXPECT_EQ(e.object()->usesChunks(), 0);
}

// The base classes alone, for their defaults and conversions.
class BareEffect : public AudioEffectX {
public:
    BareEffect() : AudioEffectX(callback, 3, 4) {}
    void processReplacing(float**, float**, VstInt32) override {}
    std::string f(float v, VstInt32 maxLen = 31) {
        char text[32];
        std::memset(text, 'x', sizeof text);
        float2string(v, text, maxLen);
        return text;
    }
    std::string i(VstInt32 v) {
        char text[32];
        int2string(v, text, 31);
        return text;
    }
};

TEST(VstBase, WithoutAnEditorTheEditorCallsDoNothing) {
    BareEffect b;
    AEffect* e = b.getAeffect();
    ERect* rect = reinterpret_cast<ERect*>(&rect);
    EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e->flags & effFlagsHasEditor, 0);
}

TEST(VstBase, DefaultsBeforeAnEffectChangesThem) {
    BareEffect b;
    AEffect* e = b.getAeffect();
    EXPECT_EQ(e->uniqueID, 0x4e6f4566);
    EXPECT_EQ(e->flags, 0);
    EXPECT_EQ(e->numPrograms, 3);
    EXPECT_EQ(e->numParams, 4);
    EXPECT_EQ(b.getSampleRate(), 44100.0f);
    EXPECT_EQ(b.getBlockSize(), 1024);
    EXPECT_EQ(b.getPlugCategory(), kPlugCategUnknown);
    EXPECT_EQ(b.getMasterVersion(), 2400);
    std::string out = stdoutOf([&] { EXPECT_EQ(b.fxIdle(), 0); });
    EXPECT_EQ(out, "*** fxIdle ***\n");
    // The deprecated accumulating call does nothing.
    float sample = 0.25f;
    float* io[1] = {&sample};
    e->process(e, io, io, 1);
    EXPECT_EQ(sample, 0.25f);
}

TEST(VstBase, FloatToTextFillsEightPlaces) {
    BareEffect b;
    EXPECT_EQ(b.f(1.5f), "1.500000");
    EXPECT_EQ(b.f(0.0f), "0.000000");
    EXPECT_EQ(b.f(-1.5f), "-1.50000");
    EXPECT_EQ(b.f(1234.5678f), "1234.568");
    EXPECT_EQ(b.f(0.99999994f), "1.000000");
    EXPECT_EQ(b.f(999.9999f), "999.9999");
    EXPECT_EQ(b.f(12345678.0f), "12345678.");
    EXPECT_EQ(b.f(-9999999.0f), "-9999999.");
    EXPECT_EQ(b.f(1.5f, 4), "1.50");
}

TEST(VstBase, NumbersThatDoNotFitAreHuge) {
    BareEffect b;
    EXPECT_EQ(b.f(100000000.0f), "Huge!");
    EXPECT_EQ(b.f(-10000000.0f), "Huge!");
    EXPECT_EQ(b.f(std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(b.f(std::numeric_limits<float>::quiet_NaN()), "Huge!");
    EXPECT_EQ(b.i(99999999), "99999999");
    EXPECT_EQ(b.i(100000000), "Huge!");
    EXPECT_EQ(b.i(-99999999), "-99999999");
    EXPECT_EQ(b.i(-100000000), "Huge!");
    EXPECT_EQ(b.i(std::numeric_limits<VstInt32>::min()), "Huge!");
    EXPECT_EQ(b.i(0), "0");
    EXPECT_EQ(b.i(-42), "-42");
}

TEST(VstBase, DecibelHertzAndMillisecondTexts) {
    BareEffect b;
    char text[32];
    b.dB2string(1.0f, text, 31);
    EXPECT_STREQ(text, "0.000000");
    b.dB2string(10.0f, text, 31);
    EXPECT_STREQ(text, "20.00000");
    b.dB2string(0.0f, text, 31);
    EXPECT_STREQ(text, "-oo");
    b.Hz2string(100.0f, text, 31); // 100 samples at 44100 Hz
    EXPECT_STREQ(text, "441.0000");
    b.Hz2string(0.0f, text, 31);
    EXPECT_STREQ(text, "0.000000");
    b.ms2string(44100.0f, text, 31);
    EXPECT_STREQ(text, "1000.000");
    b.setSampleRate(0.0f);
    b.ms2string(1.0f, text, 31);
    EXPECT_STREQ(text, "Huge!");
}

} // namespace
