// Hosts create, run and close instances on several threads at once (loading a project, scanning
// plug-ins): four threads of a thousand instances each, every one of which must give exactly
// what an instance made alone gives. And they automate parameters on one thread while another
// processes.
#include "support/capture.h"
#include "support/instance_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

extern "C" AEffect* VST_CALL VSTPluginMain(audioMasterCallback audioMaster);

namespace {

TEST(EffectThreads, InstancesMadeOnFourThreadsAtOnceGiveTheSingleThreadedOutput) {
    EXPECT_TRUE(instancethreads::instancesAtOnceMatchAlone(VSTPluginMain, 4, 1000));
}

VstIntPtr VST_CALL host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// One thread sets both parameters to random values (and reads them back) while another runs
// processReplacing in uneven blocks: no race for ThreadSanitizer, and every output a sample
// the fixed-point graph can give.
TEST(EffectThreads, ParametersAutomatedWhileAnotherThreadProcesses) {
    AEffect* e = nullptr;
    stdoutOf([&] {
        e = VSTPluginMain(host);
        e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
        e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    });
    ASSERT_NE(e, nullptr);
    std::atomic<bool> started{false}, done{false};
    std::thread automation([&] {
        while (!started.load()) std::this_thread::yield();
        std::mt19937 random(11);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (int i = 0; i < 5000; ++i) {
            const VstInt32 index = static_cast<VstInt32>(random() % 2);
            e->setParameter(e, index, unit(random));
            (void)e->getParameter(e, index);
        }
        done.store(true);
    });
    std::vector<float> in(1024), left(in.size()), right(in.size());
    uint32_t bits = 5;
    for (float& x : in) {
        bits = bits * 1664525u + 1013904223u;
        x = static_cast<float>(static_cast<int32_t>(bits)) / 2147483648.0f;
    }
    float* inputs[1] = {in.data()};
    float* outputs[2] = {left.data(), right.data()};
    int blocks = 0;
    float worst = 0.0f;
    do {
        e->processReplacing(e, inputs, outputs, 1 + (blocks * 37) % 1024);
        for (float y : left) worst = std::isfinite(y) ? std::max(worst, std::fabs(y)) : 1e9f;
        ++blocks;
        started.store(true);
    } while (!done.load() || blocks < 100);
    automation.join();
    EXPECT_LE(worst, 2.0f); // 2^31 at the graph's scale of 2^30
    stdoutOf([&] { e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f); });
}

} // namespace
