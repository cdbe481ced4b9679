// The ASIO backend: one instance per installed driver, named after it. It offers up to 16 of
// the driver's input channels whose sample type it converts, runs at the driver's preferred
// buffer size and hands the driver's double buffers straight to the processing callback: each
// buffer switch is one block, processed on the driver's thread. Channels are not interleaved.
//
// A driver may ask, on its own thread, for a reset or announce a new buffer size; both become
// a restart request (VX_Rts::requestRestart), served later on the user interface thread.
#pragma once

#include "VX/Rts/Asio/VX_Asio_abi.h"
#include "VX/Rts/VX_Rts.h"

#include <atomic>

class VX_Rts_Asio : public VX_Rts {
public:
    static constexpr int32_t maxChannels = 16; // of each direction
    // How long free waits for a buffer switch still under way once the driver has stopped.
    static constexpr int switchWaitMs = 2000;

    // [ui thread] Builds the driver list and makes one instance per driver whose name can be
    // read (at most 31 characters, longer ones end in "..."), storing the processing callback.
    // A second call only replaces the callback.
    static VX_error classInit(Callback callback);
    // [ui thread] Unlinks and deletes the instances, then destroys the driver list (which
    // releases a loaded driver and uninitialises COM).
    static void classCleanup();
    // The format word of a sample type; 0 for the types that are not used (big-endian, DSD).
    static uint32_t formatOf(ASIOSampleType type);

    static VX_Chain instances; // this class's own
    // The instance the driver's callbacks serve: the one whose init succeeded last.
    static VX_Rts_Asio* current() { return currentInstance.load(); }

    explicit VX_Rts_Asio(const char* name);
    ~VX_Rts_Asio() override;

    VX_error init() override;
    VX_error exit() override;
    VX_error mode(Mode* m) override;
    VX_error free() override;

    int32_t inputCount = 0, outputCount = 0; // usable channels, at most 16 each
    int32_t driverOutputs = 0;               // as the driver reports them, at most 16
    int32_t minimumSize = 0, maximumSize = 0, preferredSize = 0, granularity = 0;
    ASIOBufferInfo bufferInfos[2 * maxChannels] = {}; // inputs first, then outputs
    int32_t bufferInfoCount = 0;
    bool buffersCreated = false;
    bool started = false;

    // The driver's callbacks. [driver's thread], apart from messages asked during
    // createBuffers, which come on the caller's thread.
    static void VX_ASIO_CDECL bufferSwitch(int32_t index, ASIOBool directProcess);
    static void VX_ASIO_CDECL sampleRateChanged(ASIOSampleRate rate);
    static int32_t VX_ASIO_CDECL message(int32_t selector, int32_t value, void* text, double* opt);
    static ASIOTime* VX_ASIO_CDECL bufferSwitchTimeInfo(ASIOTime* time, int32_t index,
                                                        ASIOBool directProcess);

private:
    void process(int32_t index); // [driver's thread]
    Chan* usableChannel(int32_t number, bool input);
    void report(int line, const char* function, const char* call);

    std::atomic<bool> live{false}; // buffers created and channels in place
    std::atomic<int> switching{0}; // buffer switches under way
    int32_t loadedIndex = -1;      // the list entry this instance loaded

    static std::atomic<Callback> callback;
    static std::atomic<VX_Rts_Asio*> currentInstance;
};
