// The Windows multimedia backend: two input channels from the first wave input device, two or
// four output channels on the first wave output device, blocks of 10 ms, eight buffers in each
// direction. The input completion routine is the audio clock: every returned input buffer is
// one block, processed on the thread that returns it.
//
// The logic here is free of the platform; the wave functions come through VX_Rts_Wave.
#pragma once

#include "VX/Rts/VX_Rts.h"
#include "VX/Rts/VX_Rts_wave.h"

#include <atomic>

class VX_Rts_Win32 : public VX_Rts {
public:
    static constexpr int bufferCount = 8;
    // Waits of the draining stop: for the returned input buffers, after them, and between the
    // attempts of each stop or close call.
    static constexpr uint32_t drainWaitMs = 10000, settleMs = 100, retryMs = 500;
    static constexpr int attempts = 10;

    // [ui thread] Makes the single instance, named "Windows", and stores the processing
    // callback. A second call only replaces the callback.
    static VX_error classInit(Callback callback);
    // [ui thread] Unlinks and deletes the instances (a running stream is stopped first).
    static void classCleanup();
    // Wave functions for the instances made from now on; null: the system's (tests).
    static void useWave(VX_Rts_Wave* wave);
    // The completion routine for every returned input buffer. [audio thread]
    static void inputDone(VX_Rts_Wave_Header* header);

    static VX_Chain instances; // this class's own

    explicit VX_Rts_Win32(VX_Rts_Wave* wave);
    ~VX_Rts_Win32() override;

    VX_error init() override;
    VX_error exit() override;
    VX_error mode(Mode* m) override;
    VX_error free() override;

    // Who is served: the instance whose init ran last, null before.
    static VX_Rts_Win32* current() { return currentInstance.load(); }

    struct Slot { // the user data of header i in both directions
        VX_Rts_Win32* instance;
        int index;
    };

    VX_Rts_Wave* const wave;
    VX_Rts_Wave_Format format;
    VX_Rts_Wave::Handle inDevice = nullptr;
    VX_Rts_Wave::Handle outDevice = nullptr;
    VX_Rts_Wave_Header inHeaders[bufferCount];
    VX_Rts_Wave_Header outHeaders[bufferCount];
    unsigned char* inBuffers[bufferCount] = {};
    unsigned char* outBuffers[bufferCount] = {};
    Slot slots[bufferCount];
    unsigned char* block = nullptr; // all sixteen buffers
    size_t blockSize = 0;
    bool inputStarted = false;
    std::atomic<uint32_t> returnedMask{0}; // input buffers back while draining

private:
    void describe(uint32_t rate, uint32_t channels, uint32_t bits);
    void resetHeaders();
    void closeDevices();
    void play(int index);                   // [audio thread]
    void serve(int index, int sampleBytes); // [audio thread]
    template <typename Call> bool retry(Call call);

    static std::atomic<Callback> callback;
    static std::atomic<VX_Rts_Win32*> currentInstance;
    static std::atomic<VX_Rts_Wave*> waveOverride;
};
