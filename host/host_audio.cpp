// The audio bridge between the runtime and the effects, and the callback the effects see.
#include "host/host.h"

#include <chrono>
#include <cstring>

namespace {

uint64_t nowNs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void keepLongest(std::atomic<uint64_t>& longest, uint64_t ns) {
    uint64_t seen = longest.load(std::memory_order_relaxed);
    while (ns > seen && !longest.compare_exchange_weak(seen, ns)) {
    }
}

} // namespace

void TorvHost::audioCallback() {
    if (TorvHost* host = active.load()) host->audio();
}

// Each connected route's input becomes a float block, runs through the route's effect, and the
// effects' stereo outputs are summed; the sum goes to the first two outputs of the device, in
// its format. While a command holds the lock the block is skipped: the device keeps whatever
// its buffers hold.
void TorvHost::audio() {
    const uint32_t block = streamBlock.fetch_add(1);
    if (!lock.tryLock()) {
        blocksSkipped.fetch_add(1);
        return;
    }
    const uint64_t started = nowNs();
    VX_Rts* rts = driverNow();
    const int32_t n = blockLength;
    if (blocks && n > 0) {
        std::memset(mix[0], 0, static_cast<size_t>(n) * sizeof(float));
        std::memset(mix[1], 0, static_cast<size_t>(n) * sizeof(float));

        // The journal's entry: the block, the first bytes of the input, the routes that ran.
        uint32_t entry[3 + 2 * maxRoutes] = {block};
        uint32_t words = 3;

        for (int32_t k = 0; k < routeCount; ++k) {
            Route& r = routes[k];
            if (r.input < 0 || r.input >= inputCount) continue;
            VX_Rts::Chan* in = inputs[r.input].channel;
            if (!in || !in->data) continue;
            if (journal.enabled() && words == 3 && in->count * int32_t(in->format & 0xFF) >= 8)
                std::memcpy(&entry[1], in->data, 2 * sizeof(uint32_t));
            floatChannel.data = inBlock;
            VX_Rts::copyBuffer(&floatChannel, in);
            float* ins[2] = {inBlock, inBlock};
            r.effect->processReplacing(r.effect, ins, effectOut, n);
            for (int32_t i = 0; i < n; ++i) {
                mix[0][i] += effectOut[0][i];
                mix[1][i] += effectOut[1][i];
            }
            entry[words++] = r.serial;
            entry[words++] = static_cast<uint32_t>(r.input);
        }

        if (rts) {
            int32_t k = 0;
            rts->outputs.forEach<VX_Rts::Chan>([&](VX_Rts::Chan* out) {
                if (k >= 2) return;
                floatChannel.data = mix[k++];
                VX_Rts::copyBuffer(out, &floatChannel);
            });
        }
        if (journal.enabled()) journal.add(HostJournal::block, entry, words);
    }
    keepLongest(longestHoldNs, nowNs() - started);
    blocksProcessed.fetch_add(1);
    lock.unlock();
}

VstIntPtr VST_CALL TorvHost::audioMaster(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr,
                                         float) {
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterGetVendorString:
        if (ptr) std::strcpy(static_cast<char*>(ptr), "Steinberg Media Technologies");
        return 1;
    default:
        return 0;
    }
}
