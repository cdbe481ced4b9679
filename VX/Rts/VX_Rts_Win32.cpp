#include "VX/Rts/VX_Rts_Win32.h"

#include <cstring>
#include <new>

VX_Chain VX_Rts_Win32::instances;
std::atomic<VX_Rts::Callback> VX_Rts_Win32::callback{nullptr};
std::atomic<VX_Rts_Win32*> VX_Rts_Win32::currentInstance{nullptr};
std::atomic<VX_Rts_Wave*> VX_Rts_Win32::waveOverride{nullptr};

namespace {
const char* const inputNames[] = {"Left", "Right"};
const char* const outputNames[] = {"Left front", "Right front", "Left back", "Right back"};
constexpr uint32_t probeBits[] = {32, 24, 16};
constexpr uint32_t probeRates[] = {48000, 96000, 192000, 44100};
constexpr uint32_t probeOutputs[] = {4, 2};
constexpr uint32_t allReturned = (1u << VX_Rts_Win32::bufferCount) - 1;
} // namespace

VX_error VX_Rts_Win32::classInit(Callback cb) {
    callback.store(cb);
    if (instances.count) return VX_OK;
    VX_Rts_Wave* wave = waveOverride.load();
    auto* rts = new (std::nothrow) VX_Rts_Win32(wave ? wave : VX_rts_system_wave());
    if (!rts) return VX_ERROR_MEMORY_CANNOT_ALLOCATE;
    rts->enlist(instances);
    return VX_OK;
}

void VX_Rts_Win32::classCleanup() {
    destroyAll(instances);
}

void VX_Rts_Win32::useWave(VX_Rts_Wave* wave) {
    waveOverride.store(wave);
}

VX_Rts_Win32::VX_Rts_Win32(VX_Rts_Wave* wave) : VX_Rts("Windows"), wave(wave) {
    for (int i = 0; i < bufferCount; ++i) slots[i] = {this, i};
    resetHeaders();
}

VX_Rts_Win32::~VX_Rts_Win32() {
    exit();
    VX_Rts_Win32* self = this;
    currentInstance.compare_exchange_strong(self, nullptr);
}

void VX_Rts_Win32::describe(uint32_t rate, uint32_t channels, uint32_t bits) {
    format = VX_Rts_Wave_Format{};
    format.rate = rate;
    format.channels = static_cast<uint16_t>(channels);
    format.bits = static_cast<uint16_t>(bits);
    format.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    format.bytesPerSecond = rate * channels * bits / 8;
}

void VX_Rts_Win32::resetHeaders() {
    for (int i = 0; i < bufferCount; ++i) {
        for (VX_Rts_Wave_Header* h : {&inHeaders[i], &outHeaders[i]}) {
            std::memset(h, 0, sizeof *h);
            h->user = reinterpret_cast<uintptr_t>(&slots[i]);
            h->flags = VX_WHDR_DONE;
        }
        outHeaders[i].loops = 1;
    }
}

// Probes widths, then rates, then four and two outputs; each combination that both devices
// accept is a mode of 10 ms blocks. The order is the order of the host's Mode menu.
VX_error VX_Rts_Win32::init() {
    exit();
    for (uint32_t bits : probeBits) {
        for (uint32_t rate : probeRates) {
            VX_Rts_Wave::Handle device = nullptr;
            describe(rate, 2, bits);
            if (wave->inOpen(&device, format, false) != 0) continue;
            wave->inClose(device);
            for (uint32_t outputs : probeOutputs) {
                describe(rate, outputs, bits);
                if (wave->outOpen(&device, format, false) != 0) continue;
                wave->outClose(device);
                auto* m = new Mode(static_cast<int32_t>(rate),
                                   static_cast<int32_t>(bits),
                                   static_cast<int32_t>(rate / 100),
                                   static_cast<int32_t>(outputs));
                modes.insert(&m->item);
            }
        }
    }
    for (const char* name : inputNames) inputs.insert(&(new Chan(name))->item);
    currentInstance.store(this);
    return VX_OK;
}

// A stream still open is stopped before its channels go.
VX_error VX_Rts_Win32::exit() {
    if (currentMode() || inDevice || outDevice) free();
    return VX_Rts::exit();
}

VX_error VX_Rts_Win32::mode(Mode* m) {
    if (!m) return VX_ERROR_AUDIO;
    if (currentMode() || inDevice || outDevice) {
        if (VX_error e = free(); e != VX_OK) return e;
    }
    VX_Rts::mode(m);
    inDevice = outDevice = nullptr;
    inputStarted = false;

    const uint32_t bits = static_cast<uint32_t>(m->bits);
    const uint32_t channelCount = static_cast<uint32_t>(m->channels);
    const uint32_t bytes = bits / 8;
    describe(static_cast<uint32_t>(m->rate), 2, bits);
    if (wave->inOpen(&inDevice, format, true) != 0) {
        inDevice = nullptr;
        return VX_ERROR_AUDIO_CANNOT_OPEN;
    }
    describe(static_cast<uint32_t>(m->rate), channelCount, bits);
    if (wave->outOpen(&outDevice, format, true) != 0) {
        outDevice = nullptr;
        closeDevices();
        return VX_ERROR_AUDIO_CANNOT_OPEN;
    }

    // Output buffer i at i * g * C, input buffer i after all of them at 8 * g * C + i * 2g.
    const size_t g = static_cast<size_t>(bytes) * static_cast<size_t>(m->frames);
    blockSize = bufferCount * g * (channelCount + 2);
    block = new (std::nothrow) unsigned char[blockSize];
    if (!block) {
        closeDevices();
        return VX_ERROR_MEMORY_CANNOT_ALLOCATE;
    }
    std::memset(block, 0, blockSize);
    for (int i = 0; i < bufferCount; ++i) {
        outBuffers[i] = block + i * g * channelCount;
        inBuffers[i] = block + bufferCount * g * channelCount + i * 2 * g;
    }
    resetHeaders();

    const uint32_t inFormat = VX_rts_format(2 * bytes, bits, 0, false);
    inputs.forEach<Chan>([&](Chan* c) {
        c->count = m->frames;
        c->format = inFormat;
        c->data = nullptr;
    });
    const uint32_t outFormat = VX_rts_format(channelCount * bytes, bits, 0, false);
    for (uint32_t k = 0; k < channelCount && k < 4; ++k)
        outputs.insert(&(new Chan(outputNames[k], outFormat, m->frames))->item);

    for (int i = 0; i < bufferCount; ++i) {
        inHeaders[i].data = reinterpret_cast<char*>(inBuffers[i]);
        inHeaders[i].length = static_cast<uint32_t>(2 * g);
        if (wave->inPrepare(inDevice, &inHeaders[i]) != 0 ||
            wave->inAdd(inDevice, &inHeaders[i]) != 0) {
            closeDevices();
            return VX_ERROR_AUDIO;
        }
        outHeaders[i].data = reinterpret_cast<char*>(outBuffers[i]);
        outHeaders[i].length = static_cast<uint32_t>(g * channelCount);
    }
    if (wave->inStart(inDevice) != 0) {
        closeDevices();
        return VX_ERROR_AUDIO;
    }
    inputStarted = true;
    return VX_OK;
}

// After a failed mode: whatever was opened is closed and the block released. The mode stays
// recorded, with no device behind it, until free.
void VX_Rts_Win32::closeDevices() {
    bool closed = true;
    if (inDevice) {
        wave->inReset(inDevice);
        closed = wave->inClose(inDevice) == 0;
        inDevice = nullptr;
    }
    if (outDevice) {
        wave->outReset(outDevice);
        wave->outClose(outDevice);
        outDevice = nullptr;
    }
    // A device that would not close may still fill its buffers: their memory stays.
    if (closed) delete[] block;
    block = nullptr;
    VX_Rts::deleteChannels(outputs);
}

template <typename Call> bool VX_Rts_Win32::retry(Call call) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (call() == 0) return true;
        wave->sleep(retryMs);
    }
    return false;
}

// Draining stop: with the mode cleared, the completion routine no longer re-queues input
// buffers and raises the signal once all eight are back. Only then do the output channels go
// (a block already under way may still be writing them), and the devices are stopped and
// closed, each call tried ten times. Nothing is stopped or closed that was never opened.
VX_error VX_Rts_Win32::free() {
    returnedMask.store(0);
    wave->armSignal();
    setCurrentMode(nullptr);
    if (inputStarted) {
        wave->waitSignal(drainWaitMs);
        wave->sleep(settleMs);
        inputStarted = false;
    }
    VX_Rts::free();
    inputs.forEach<Chan>([](Chan* c) { c->data = nullptr; });

    if (inDevice && !retry([&] { return wave->inStop(inDevice); }))
        return VX_ERROR_AUDIO_CANNOT_INPUT_STOP;
    if (outDevice && !retry([&] { return wave->outReset(outDevice); }))
        return VX_ERROR_AUDIO_CANNOT_OUTPUT_RESET;
    if (inDevice) {
        if (!retry([&] { return wave->inClose(inDevice); }))
            return VX_ERROR_AUDIO_CANNOT_INPUT_CLOSE;
        inDevice = nullptr;
    }
    if (outDevice) {
        if (!retry([&] { return wave->outClose(outDevice); }))
            return VX_ERROR_AUDIO_CANNOT_OUTPUT_CLOSE;
        outDevice = nullptr;
    }
    delete[] block;
    block = nullptr;
    blockSize = 0;
    return VX_OK;
}

void VX_Rts_Win32::inputDone(VX_Rts_Wave_Header* header) {
    if (!header || !currentInstance.load()) return;
    const Slot* slot = reinterpret_cast<const Slot*>(header->user);
    if (!slot || !slot->instance) return;
    VX_Rts_Win32* rts = slot->instance;
    const int i = slot->index;
    if (i < 0 || i >= bufferCount) return;
    const Mode* m = rts->currentMode();
    if (!m) {
        // Draining: collect the buffer, do not queue it again.
        const uint32_t mask = rts->returnedMask.fetch_or(1u << i) | 1u << i;
        if (mask == allReturned) rts->wave->raiseSignal();
        return;
    }
    rts->serve(i, m->bits / 8);
}

// One block: queue the input buffer again at once, point the channels at it and at the first
// free output buffer, process, and play. The output queue is primed by playing a second buffer
// (silence at first, later whatever it holds) whenever six or more are free; with fewer than
// two free the block is processed but not played.
void VX_Rts_Win32::serve(int i, int bytes) {
    wave->inAdd(inDevice, &inHeaders[i]);
    int k = 0;
    inputs.forEach<Chan>([&](Chan* c) { c->data = inBuffers[i] + k++ * bytes; });

    int available = 0, first = -1, second = -1;
    for (int j = 0; j < bufferCount; ++j) {
        if (!(outHeaders[j].flags & VX_WHDR_DONE)) continue;
        if (available == 0) first = j;
        if (available == 1) second = j;
        ++available;
    }
    k = 0;
    outputs.forEach<Chan>(
        [&](Chan* c) { c->data = first < 0 ? nullptr : outBuffers[first] + k++ * bytes; });

    if (Callback cb = callback.load()) cb();

    if (available < 2) return;
    play(first);
    if (available >= 6) play(second);
}

// Each buffer is written once, without loop flags: a loop of one plays the buffer once on
// Windows, but Wine's multimedia layer then returns queued buffers it never played.
void VX_Rts_Win32::play(int j) {
    outHeaders[j].flags = 0;
    wave->outPrepare(outDevice, &outHeaders[j]);
    wave->outWrite(outDevice, &outHeaders[j]);
}
