// The audio runtime: one uniform view of every audio device the standalone host can drive.
//
// Each backend instance (a multimedia device set, an ASIO driver) is a VX_Rts. It enumerates
// the stream modes it can run and the input channels it offers; once a mode runs it also has
// output channels. Every block, the backend points each channel's data at that channel's
// samples inside the device buffers and calls one processing callback, which moves samples
// between device channels and its own blocks with VX_Rts::copyBuffer.
//
// Threads: init, exit, mode, free, start, stop and restart run on the user interface thread.
// The processing callback, copyBuffer and the backends' completion routines run on the
// backend's audio thread. The calling order the backends expect: classInit of every backend
// class; per chosen instance init, mode with one of its modes, blocks flow, free, exit; finally
// the class cleanups.
#pragma once

#include "VX/VX_Chain.h"
#include "VX/VX_cfuncs.h"

#include <atomic>
#include <cstdint>

// Sample format word: how one channel's samples lie in memory.
//   bits 0-7    stride: bytes from one sample of the channel to its next
//   bits 8-15   significant bits of the sample
//   bits 16-23  pad bits above them in the container; container bytes = (significant + pad) / 8
//   bits 24-31  1 = IEEE floating point, 0 = two's complement integer, little-endian
enum : uint32_t {
    VX_RTS_FLOAT32 = 0x1002004, // the host's float blocks
    VX_RTS_INT32 = 0x2004,
    VX_RTS_INT16 = 0x1002,
    VX_RTS_INT24 = 0x1803, // packed, three bytes
    VX_RTS_INT32_16 = 0x101004,
    VX_RTS_INT32_18 = 0xE1204,
    VX_RTS_INT32_20 = 0xC1404,
    VX_RTS_INT32_24 = 0x81804,
    VX_RTS_FLOAT64 = 0x1004008,
};

constexpr uint32_t VX_rts_format(uint32_t stride, uint32_t bits, uint32_t pad, bool isFloat) {
    return (stride & 0xFF) | (bits & 0xFF) << 8 | (pad & 0xFF) << 16 | (isFloat ? 1u << 24 : 0u);
}

class VX_Rts {
public:
    static constexpr int nameSize = 64; // names and labels hold at most 63 characters

    // The processing callback: called once per block on the audio thread, after every input
    // and output channel's data has been set for that block; done with the block on return.
    using Callback = void (*)();

    // One audio channel of a device.
    class Chan {
    public:
        explicit Chan(const char* name, uint32_t format = 0, int32_t count = 0, int32_t number = 0);
        Chan(const Chan&) = delete;
        Chan& operator=(const Chan&) = delete;

        char name[nameSize];
        void* data = nullptr; // first sample of the current block; null while none is ready
        int32_t count;        // samples in a block
        uint32_t format;      // sample format word
        int32_t number;       // the driver's own index of the channel (ASIO)
        VX_Chain_Item item{this};
    };

    // One runnable stream configuration.
    class Mode {
    public:
        Mode(int32_t rate, int32_t bits, int32_t frames, int32_t channels);
        Mode(const Mode&) = delete;
        Mode& operator=(const Mode&) = delete;

        int32_t rate;     // Hz
        int32_t frames;   // block length
        int32_t bits;     // sample width
        int32_t channels; // multimedia: output channels; ASIO: input channels of the driver
        char label[nameSize];
        VX_Chain_Item item{this};
    };

    explicit VX_Rts(const char* name);
    VX_Rts(const VX_Rts&) = delete;
    VX_Rts& operator=(const VX_Rts&) = delete;
    virtual ~VX_Rts();

    // [ui thread] Each returns VX_OK or one of the VX_ERROR_AUDIO... or memory codes.
    virtual VX_error init();        // enumerate modes and inputs
    virtual VX_error exit();        // delete every mode and channel
    virtual VX_error mode(Mode* m); // record m as current; backends open and start
    virtual VX_error free();        // no current mode, no outputs; backends stop and close
    virtual VX_error start();       // sets the running mark
    virtual VX_error stop();        // clears it
    virtual VX_error noop();        // does nothing
    VX_error restart();             // builds the stream again after a driver asked for it

    // Converts src->count samples from src into dst through a normalised value (see
    // VX_Rts_copy.cpp). Returns VX_OK; null when the counts differ (which latches: every
    // later copy is refused until a new mode starts), when the latch is set, or when either
    // format is one it does not handle or a data pointer is null. [audio thread]
    static VX_error copyBuffer(Chan* dst, const Chan* src);
    static bool conversionLatched();

    // Drivers may ask for their stream to be set up again (reset request, new buffer size).
    // The request is noted on the driver's thread and handed to the notifier, which must only
    // pass it on to the user interface thread (post a message, signal an event); there the
    // host calls restart() on the instance, or selects the driver again. Null: no notifier.
    using RestartNotifier = void (*)(VX_Rts* rts);
    static void setRestartNotifier(RestartNotifier notifier);
    void requestRestart(); // [any thread]
    bool restartRequested() const { return restartPending.load(); }
    // The host served the request its own way (it selected the driver again).
    void restartServed() { restartPending.store(false); }

    // Mode, channel and block lookups for callers that walk the chains.
    Mode* currentMode() const { return current.load(); }
    Mode* modeAt(int32_t index);
    Chan* inputAt(int32_t index);
    Chan* outputAt(int32_t index);

    VX_Chain modes;   // owned
    VX_Chain inputs;  // owned, filled by init
    VX_Chain outputs; // owned, filled by mode, emptied by free
    std::atomic<bool> running{false};
    char name[nameSize];
    VX_Chain_Item instanceItem{this}; // in VX_Rts_instances
    VX_Chain_Item classItem{this};    // in the backend class's own list

protected:
    void setCurrentMode(Mode* m) { current.store(m); }
    // Links a new instance into its class's list and into VX_Rts_instances.
    void enlist(VX_Chain& classList);
    // A backend class's cleanup: unlinks every instance of the list and deletes it.
    static void destroyAll(VX_Chain& classList);
    static void deleteChannels(VX_Chain& chain);
    void deleteModes();

private:
    static std::atomic<bool> conversionLatch; // set by a length mismatch
    std::atomic<Mode*> current{nullptr};      // read by the audio thread
    std::atomic<bool> restartPending{false};
};

// Every backend instance of every class, in creation order.
extern VX_Chain VX_Rts_instances;
