// Effect instances created, run and closed on several threads at once, as hosts do when they
// load a project or scan plug-ins: every instance must give what one made alone gives.
#pragma once

#include "plugin/vst/vst_abi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace instancethreads {

// What one instance put out, as a checksum of its left and right outputs.
struct Outcome {
    uint64_t checksum = 0;
    bool created = false;
};

// One life of an instance through the binary interface only: created by the entry point,
// opened, given the rate and a Frequency parameter that depends on `variant`, resumed, run over
// a fixed full-scale signal in uneven blocks, suspended and closed. The entry point's own
// lines on standard output are left alone.
Outcome runInstance(VstPluginMainProc entry, int variant);

inline constexpr int variantCount = 5;

// Runs `threads` threads that each go through `perThread` instances, one after another, with
// the variants in turn; returns a description of every instance whose outcome differs from
// `reference` (indexed by variant), empty when all agree.
std::vector<std::string> runOnThreads(VstPluginMainProc entry, int threads, int perThread,
                                      const std::vector<Outcome>& reference);

// The whole check: every variant made alone (their outputs all different, so that an instance
// that joined another's graph would show), then `threads` x `perThread` instances at once, each
// of which must give its variant's output. The entry point's lines on standard output are
// taken out of the test's log.
testing::AssertionResult instancesAtOnceMatchAlone(VstPluginMainProc entry, int threads,
                                                   int perThread);

} // namespace instancethreads
