// The built module as a host sees it: loaded from its file, entry points found by name, one
// effect created, run and closed.
#include "plugin/vst/vst_abi.h"
#include "support/capture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

VstIntPtr VST_CALL hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstPluginMainProc entry(HMODULE module, const char* name) {
    // Through the generic function type, which converts to any other without complaint.
    return reinterpret_cast<VstPluginMainProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The module lies in the build tree's plugin folder, beside the tests' folder.
std::string modulePath() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe);
    dir.erase(dir.find_last_of("\\/") + 1);
    return dir + "..\\plugin\\torv.dll";
}

TEST(Module, LoadsCreatesProcessesAndCloses) {
    HMODULE module = LoadLibraryA(modulePath().c_str());
    ASSERT_NE(module, nullptr) << modulePath();
    VstPluginMainProc main = entry(module, "VSTPluginMain");
    VstPluginMainProc oldMain = entry(module, "MAIN");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(oldMain, main);

    AEffect* e = nullptr;
    stdoutOf([&] { e = main(hostCallback); });
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->uniqueID, 0x34326264);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);

    std::vector<float> in(1000), left(1000, 9.0f), right(1000, 9.0f);
    for (size_t k = 0; k < in.size(); ++k) in[k] = 0.5f * std::sin(0.05f * float(k));
    float* inputs[1] = {in.data()};
    float* outputs[2] = {left.data(), right.data()};
    char product[64] = {};
    VstIntPtr version = 0;
    std::string trace = stdoutOf([&] {
        e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
        e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
        e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
        e->processReplacing(e, inputs, outputs, 1000);
        e->dispatcher(e, effGetProductString, 0, 0, product, 0.0f);
        version = e->dispatcher(e, effGetVstVersion, 0, 0, nullptr, 0.0f);
    });
    EXPECT_STREQ(product, "www.torvaudio.net 3-rd order Butterworth high-pass");
    EXPECT_EQ(version, 2400);
    EXPECT_NE(trace.find("AudioEffect::dispatcher opcode=0 'effOpen'"), std::string::npos);
    for (size_t k = 0; k < left.size(); ++k) {
        ASSERT_TRUE(std::isfinite(left[k])) << k;
        ASSERT_LE(std::fabs(left[k]), 2.0f) << k;
        ASSERT_EQ(left[k], right[k]) << k;
    }
    e->setParameter(e, 1, 0.5f);
    EXPECT_EQ(e->getParameter(e, 1), 0.5f);

    stdoutOf([&] { e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f); });
    EXPECT_TRUE(FreeLibrary(module));
}

} // namespace
