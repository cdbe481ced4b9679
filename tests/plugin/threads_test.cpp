// Hosts create, run and close instances on several threads at once (loading a project, scanning
// plug-ins): four threads of a thousand instances each, every one of which must give exactly
// what an instance made alone gives.
#include "support/instance_threads.h"

#include <gtest/gtest.h>

extern "C" AEffect* VST_CALL VSTPluginMain(audioMasterCallback audioMaster);

namespace {

TEST(EffectThreads, InstancesMadeOnFourThreadsAtOnceGiveTheSingleThreadedOutput) {
    EXPECT_TRUE(instancethreads::instancesAtOnceMatchAlone(VSTPluginMain, 4, 1000));
}

} // namespace
