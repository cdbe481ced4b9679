#include "support/instance_threads.h"

#include "support/capture.h"

#include <cstring>
#include <mutex>
#include <set>
#include <thread>

namespace instancethreads {

namespace {

VstIntPtr VST_CALL hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, nullptr, opt);
}

// Full-scale noise with hard edges: it reaches every part of the graph's arithmetic.
std::vector<float> inputSignal() {
    std::vector<float> x(1100);
    uint32_t s = 12345;
    for (float& v : x) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        v = (s & 3) == 0 ? ((s & 4) ? 1.0f : -1.0f)
                         : static_cast<float>(s >> 8) / 8388608.0f - 1.0f;
    }
    return x;
}

uint64_t fnv1a(const std::vector<float>& samples, uint64_t hash) {
    for (float f : samples) {
        uint32_t u;
        static_assert(sizeof u == sizeof f);
        std::memcpy(&u, &f, sizeof u);
        for (int b = 0; b < 4; ++b) {
            hash ^= (u >> (8 * b)) & 0xFFu;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

} // namespace

Outcome runInstance(VstPluginMainProc entry, int variant) {
    Outcome outcome;
    AEffect* e = entry(hostCallback);
    if (!e || e->numOutputs < 2 || !e->processReplacing) return outcome;
    outcome.created = true;
    dispatch(e, effOpen);
    dispatch(e, effSetSampleRate, 0, 0, variant % 2 ? 48000.0f : 44100.0f);
    dispatch(e, effSetBlockSize, 0, 512);
    e->setParameter(e, 1, static_cast<float>(variant) / (variantCount - 1));
    dispatch(e, effMainsChanged, 0, 1);

    static const std::vector<float> input = inputSignal();
    std::vector<float> left(input.size()), right(input.size());
    size_t done = 0;
    for (size_t block : {size_t{512}, size_t{77}, size_t{511}}) {
        float* in[1] = {const_cast<float*>(input.data() + done)};
        float* out[2] = {left.data() + done, right.data() + done};
        e->processReplacing(e, in, out, static_cast<VstInt32>(block));
        done += block;
    }
    outcome.checksum = fnv1a(right, fnv1a(left, 14695981039346656037ull));

    dispatch(e, effMainsChanged, 0, 0);
    dispatch(e, effClose);
    return outcome;
}

std::vector<std::string> runOnThreads(VstPluginMainProc entry, int threads, int perThread,
                                      const std::vector<Outcome>& reference) {
    std::mutex lock;
    std::vector<std::string> differing;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                const int variant = (t + i) % variantCount;
                const Outcome o = runInstance(entry, variant);
                const Outcome& want = reference[static_cast<size_t>(variant)];
                if (o.created == want.created && o.checksum == want.checksum) continue;
                std::lock_guard<std::mutex> guard(lock);
                differing.push_back("thread " + std::to_string(t) + ", instance " +
                                    std::to_string(i) + ", variant " + std::to_string(variant) +
                                    (o.created ? "" : ": not created"));
            }
        });
    for (std::thread& w : workers) w.join();
    return differing;
}

testing::AssertionResult instancesAtOnceMatchAlone(VstPluginMainProc entry, int threads,
                                                   int perThread) {
    std::vector<Outcome> reference;
    std::vector<std::string> differing;
    stdoutOf([&] {
        for (int v = 0; v < variantCount; ++v) reference.push_back(runInstance(entry, v));
        differing = runOnThreads(entry, threads, perThread, reference);
    });
    std::set<uint64_t> distinct;
    for (const Outcome& r : reference) {
        if (!r.created) return testing::AssertionFailure() << "the entry point made no effect";
        distinct.insert(r.checksum);
    }
    if (distinct.size() != reference.size())
        return testing::AssertionFailure() << "the variants do not all give different outputs";
    if (!differing.empty())
        return testing::AssertionFailure()
               << differing.size() << " of " << threads * perThread
               << " instances differ from the same variant made alone, e.g. " << differing.front();
    return testing::AssertionSuccess();
}

} // namespace instancethreads
