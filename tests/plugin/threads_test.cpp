// Hosts create, run and close instances on several threads at once (loading a project, scanning
// plug-ins): four threads of a thousand instances each, every one of which must give exactly
// what an instance made alone gives.
#include "support/capture.h"
#include "support/instance_threads.h"

#include <gtest/gtest.h>

#include <set>

extern "C" AEffect* VST_CALL VSTPluginMain(audioMasterCallback audioMaster);

namespace {

using namespace instancethreads;

TEST(EffectThreads, InstancesMadeOnFourThreadsAtOnceGiveTheSingleThreadedOutput) {
    std::vector<Outcome> reference;
    std::vector<std::string> differing;
    stdoutOf([&] {
        for (int v = 0; v < variantCount; ++v) reference.push_back(runInstance(VSTPluginMain, v));
        differing = runOnThreads(VSTPluginMain, 4, 1000, reference);
    });
    std::set<uint64_t> distinct;
    for (const Outcome& r : reference) {
        ASSERT_TRUE(r.created);
        distinct.insert(r.checksum);
    }
    // Instances that joined another's graph would show as another variant's output.
    EXPECT_EQ(distinct.size(), reference.size());
    EXPECT_TRUE(differing.empty()) << differing.size() << " of 4000 instances differ, e.g. "
                                   << (differing.empty() ? "" : differing.front());
}

} // namespace
