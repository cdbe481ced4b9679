// A minimal VST 2.4 effect for testing the host side: one input, two outputs and one "Gain"
// parameter x; the left output is input * x, the right output input * x / 2. Built three ways:
// with both entry points, with MAIN only (TESTPLUG_MAIN_ONLY) and with none (TESTPLUG_NO_ENTRY).
#include "plugin/vst/vst_abi.h"

#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#define TESTPLUG_EXPORT extern "C" __declspec(dllexport)
#else
#define TESTPLUG_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Answers of effVendorSpecific, by index, that let tests see what the host told the effect.
enum Query : VstInt32 { askedSampleRate = 1, askedBlockSize = 2, processCalls = 3, framesSeen = 4 };

struct TestEffect {
    AEffect record{};
    audioMasterCallback host = nullptr;
    float gain = 0.5f;
    VstIntPtr hostRate = 0, hostBlock = 0, calls = 0, frames = 0;
};

TestEffect* self(AEffect* e) {
    return static_cast<TestEffect*>(e->object);
}

void copyText(void* ptr, const char* text, size_t limit) {
    std::snprintf(static_cast<char*>(ptr), limit, "%s", text);
}

VstIntPtr VST_CALL dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float) {
    TestEffect* t = self(e);
    switch (opcode) {
    case effClose:
        delete t;
        return 1;
    case effMainsChanged:
        if (value) {
            t->hostRate = t->host(e, audioMasterGetSampleRate, 0, 0, nullptr, 0);
            t->hostBlock = t->host(e, audioMasterGetBlockSize, 0, 0, nullptr, 0);
        }
        return 0;
    case effGetParamName:
        copyText(ptr, "Gain", kVstMaxParamStrLen);
        return 0;
    case effGetParamLabel:
        copyText(ptr, "x", kVstMaxParamStrLen);
        return 0;
    case effGetParamDisplay: {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", static_cast<double>(t->gain));
        copyText(ptr, text, kVstMaxParamStrLen);
        return 0;
    }
    case effGetEffectName:
        copyText(ptr, "Test gain", kVstMaxEffectNameLen);
        return 1;
    case effGetVendorString:
        copyText(ptr, "Torv tests", kVstMaxVendorStrLen);
        return 1;
    case effGetProductString:
        copyText(ptr, "Torv tests gain", kVstMaxProductStrLen);
        return 1;
    case effVendorSpecific:
        switch (index) {
        case askedSampleRate:
            return t->hostRate;
        case askedBlockSize:
            return t->hostBlock;
        case processCalls:
            return t->calls;
        case framesSeen:
            return t->frames;
        }
        return 0;
    default:
        return 0;
    }
}

void VST_CALL processReplacing(AEffect* e, float** in, float** out, VstInt32 frames) {
    TestEffect* t = self(e);
    ++t->calls;
    t->frames += frames;
    for (VstInt32 i = 0; i < frames; ++i) {
        const float x = in[0][i] * t->gain;
        out[0][i] = x;
        out[1][i] = x * 0.5f;
    }
}

void VST_CALL setParameter(AEffect* e, VstInt32 index, float value) {
    if (index == 0) self(e)->gain = value;
}

float VST_CALL getParameter(AEffect* e, VstInt32 index) {
    return index == 0 ? self(e)->gain : 0.0f;
}

AEffect* create(audioMasterCallback host) {
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0) == 0) return nullptr;
    TestEffect* t = new TestEffect;
    t->host = host;
    AEffect& r = t->record;
    r.magic = kEffectMagic;
    r.dispatcher = dispatcher;
    r.setParameter = setParameter;
    r.getParameter = getParameter;
    r.processReplacing = processReplacing;
    r.numPrograms = 1;
    r.numParams = 1;
    r.numInputs = 1;
    r.numOutputs = 2;
    r.flags = effFlagsCanReplacing;
    r.ioRatio = 1.0f;
    r.object = t;
    r.uniqueID = 0x74737467; // "gtst"
    r.version = 1;
    return &r;
}

} // namespace

#if defined(TESTPLUG_NO_ENTRY)
TESTPLUG_EXPORT int VST_CALL notAnEntry() {
    return create(nullptr) != nullptr;
}
#else
#if !defined(TESTPLUG_MAIN_ONLY)
TESTPLUG_EXPORT AEffect* VST_CALL VSTPluginMain(audioMasterCallback host) {
    return create(host);
}
#endif
TESTPLUG_EXPORT AEffect* VST_CALL MAIN(audioMasterCallback host) {
    return create(host);
}
#endif
