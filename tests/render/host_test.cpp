// The host side of the plug-in interface, against a small test effect: loading, both entry
// points, the callback's answers, guarded texts, block schedules and the runner.
#include "tools/vsthost/render.h"
#include "render_test_modules.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// effVendorSpecific questions the test effect answers.
enum : VstInt32 { askedSampleRate = 1, askedBlockSize = 2, processCalls = 3, framesSeen = 4 };

std::unique_ptr<Plugin> createFrom(const char* path, std::string& error) {
    auto module = Module::load(path, error);
    if (!module) return nullptr;
    return Plugin::create(module, error);
}

} // namespace

TEST(PluginHost, CreatesThroughEitherEntryPoint) {
    std::string error;
    auto full = createFrom(testPlugin, error);
    ASSERT_TRUE(full) << error;
    EXPECT_STREQ(full->entryName(), "VSTPluginMain");
    EXPECT_EQ(full->callbackCalls[audioMasterVersion], 1u) << "asked while being created";
    EXPECT_EQ(full->effect()->user, full.get());

    auto mainOnly = createFrom(testPluginMainOnly, error);
    ASSERT_TRUE(mainOnly) << error;
    EXPECT_STREQ(mainOnly->entryName(), "MAIN");
    EXPECT_EQ(mainOnly->effectName(), "Test gain");
}

TEST(PluginHost, LoadFailuresAreExplained) {
    std::string error;
    EXPECT_FALSE(createFrom(moduleWithoutEntry, error));
    EXPECT_NE(error.find("exports neither VSTPluginMain nor MAIN"), std::string::npos) << error;
    EXPECT_FALSE(createFrom("no-such-module.dll", error));
    EXPECT_NE(error.find("cannot load no-such-module.dll"), std::string::npos) << error;
}

TEST(PluginHost, CallbackReportsWhatTheHostSet) {
    std::string error;
    auto p = createFrom(testPlugin, error);
    ASSERT_TRUE(p) << error;
    p->open();
    p->setSampleRate(96000);
    p->setBlockSize(333);
    p->resume();
    EXPECT_EQ(p->dispatch(effVendorSpecific, askedSampleRate), 96000);
    EXPECT_EQ(p->dispatch(effVendorSpecific, askedBlockSize), 333);
    EXPECT_EQ(p->callbackCalls[audioMasterGetSampleRate], 1u);
    // Another instance keeps its own answers.
    auto q = createFrom(testPlugin, error);
    ASSERT_TRUE(q) << error;
    q->setSampleRate(22050);
    q->resume();
    EXPECT_EQ(q->dispatch(effVendorSpecific, askedSampleRate), 22050);
    EXPECT_EQ(p->dispatch(effVendorSpecific, askedSampleRate), 96000);
}

TEST(PluginHost, TextsAreReadFromGuardedBuffers) {
    std::string error;
    auto p = createFrom(testPlugin, error);
    ASSERT_TRUE(p) << error;
    const Plugin::Text name = p->queryText(effGetParamName, 0, kVstMaxParamStrLen);
    EXPECT_EQ(name.value, "Gain");
    EXPECT_TRUE(name.terminated);
    EXPECT_FALSE(name.overran);
    p->setParameter(0, 0.25f);
    EXPECT_EQ(p->parameterDisplay(0), "0.250");
    EXPECT_EQ(p->parameterLabel(0), "x");
    EXPECT_EQ(p->vendorString(), "Torv tests");
    EXPECT_EQ(p->productString(), "Torv tests gain");
    // An opcode the effect ignores writes nothing: no terminator within the limit.
    const Plugin::Text untouched = p->queryText(effGetProgramName, 0, kVstMaxProgNameLen);
    EXPECT_FALSE(untouched.terminated);
    EXPECT_FALSE(untouched.overran);
}

TEST(BlockSchedule, FixedAndSeededRandomSizes) {
    BlockSchedule fixed = BlockSchedule::fixed(64);
    EXPECT_EQ(fixed.next(), 64);
    EXPECT_EQ(fixed.largest(), 64);

    BlockSchedule a = BlockSchedule::random(17, 5), b = BlockSchedule::random(17, 5);
    BlockSchedule other = BlockSchedule::random(17, 6);
    std::set<int32_t> seen;
    bool differs = false;
    for (int i = 0; i < 2000; ++i) {
        const int32_t n = a.next();
        EXPECT_EQ(n, b.next());
        differs |= n != other.next();
        seen.insert(n);
    }
    EXPECT_TRUE(differs);
    EXPECT_EQ(seen.size(), 17u);
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), 17);
}

TEST(Fnv1a, MatchesTheReferenceOverLittleEndianFloatBytes) {
    const float samples[] = {0.0f, 1.0f, -0.5f};
    Fnv1a sum;
    EXPECT_EQ(sum.hex(), "cbf29ce484222325");
    sum.add(samples, 3);
    EXPECT_EQ(sum.hex(), "e15a09d3be4b8545");
}

TEST(EffectRunner, SplitsIntoScheduledBlocksAndKeepsTheStream) {
    std::string error;
    auto p = createFrom(testPlugin, error);
    ASSERT_TRUE(p) << error;
    p->open();
    p->setBlockSize(100);
    p->setParameter(0, 0.5f);
    p->resume();
    std::vector<float> in(10007), left(in.size()), right(in.size());
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<float>(i % 101) / 128.0f;
    EffectRunner runner(*p, BlockSchedule::random(100, 3));
    runner.run(in.data(), left.data(), right.data(), 5000);
    runner.run(in.data() + 5000, left.data() + 5000, right.data() + 5000, in.size() - 5000);
    for (size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(left[i], in[i] * 0.5f) << i;
        ASSERT_EQ(right[i], in[i] * 0.25f) << i;
    }
    EXPECT_EQ(p->dispatch(effVendorSpecific, framesSeen), 10007);
    // Random sizes from 1 to 100 average about 50 frames.
    EXPECT_GT(p->dispatch(effVendorSpecific, processCalls), 150);
}
