// Hosts create, run and close instances on several threads at once (loading a project, scanning
// plug-ins): through the module, loaded as a host loads it, four threads of a thousand instances
// each, every one giving what an instance made alone gives.
#include "tools/vsthost/module.h"
#include "support/instance_threads.h"

#include <gtest/gtest.h>

#ifndef RENDER_TORV_MODULE
#error "RENDER_TORV_MODULE (the path of the plug-in module) must be defined"
#endif

namespace {

TEST(TorvModuleThreads, InstancesMadeOnFourThreadsAtOnceGiveTheSingleThreadedOutput) {
    std::string error;
    const std::shared_ptr<Module> module = Module::load(RENDER_TORV_MODULE, error);
    ASSERT_TRUE(module) << error;
    const auto entry = reinterpret_cast<VstPluginMainProc>(module->symbol("VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(instancethreads::instancesAtOnceMatchAlone(entry, 4, 1000));
}

} // namespace
