// The host's calls on the current ASIO driver. Each returns the driver's result, or -1000 (no
// driver present) and the documented neutral values when no driver is current. Calls reach the
// driver through a forwarding object that passes them on in the driver's own calling
// convention. [ui thread], all of them.
#pragma once

#include "VX/Rts/Asio/VX_Asio_abi.h"

// Stands in front of a driver object and passes each method call on with the convention the
// drivers use (thiscall on 32-bit Windows). It has the driver's shape; its own COM methods are
// never to be called and answer as an object without interfaces.
class VX_Asio_Forward {
public:
    VX_Asio_Driver* driver = nullptr;

    int32_t queryInterface(const void* iid, void** object);
    uint32_t addRef();
    uint32_t release();
    ASIOBool init(void* sysHandle);
    void getDriverName(char* name);
    int32_t getDriverVersion();
    void getErrorMessage(char* text);
    ASIOError start();
    ASIOError stop();
    ASIOError getChannels(int32_t* inputs, int32_t* outputs);
    ASIOError getLatencies(int32_t* input, int32_t* output);
    ASIOError getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred,
                            int32_t* granularity);
    ASIOError canSampleRate(ASIOSampleRate rate);
    ASIOError getSampleRate(ASIOSampleRate* rate);
    ASIOError setSampleRate(ASIOSampleRate rate);
    ASIOError getClockSources(ASIOClockSource* clocks, int32_t* count);
    ASIOError setClockSource(int32_t reference);
    ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* stamp);
    ASIOError getChannelInfo(ASIOChannelInfo* info);
    ASIOError createBuffers(ASIOBufferInfo* infos, int32_t count, int32_t bufferSize,
                            ASIOCallbacks* callbacks);
    ASIOError disposeBuffers();
    ASIOError controlPanel();
    ASIOError future(int32_t selector, void* opt);
    ASIOError outputReady();
};

// The driver every call goes to: set by a successful load, null when none is loaded and after
// a failed initialisation.
VX_Asio_Driver* VX_asio_current();
void VX_asio_set_current(VX_Asio_Driver* driver);

// Installs the forwarding object in front of the current driver and initialises it. The info's
// name and version are the driver's on success; on failure its error message is the driver's,
// the driver is forgotten (not released) and the result is -1000.
ASIOError VX_asio_init(ASIODriverInfo* info);
// Closes the current driver (releases it); always 0.
ASIOError VX_asio_exit();
ASIOError VX_asio_start();
ASIOError VX_asio_stop();
ASIOError VX_asio_get_channels(int32_t* inputs, int32_t* outputs);
ASIOError VX_asio_get_buffer_size(int32_t* minimum, int32_t* maximum, int32_t* preferred,
                                  int32_t* granularity);
ASIOError VX_asio_can_sample_rate(ASIOSampleRate rate);
ASIOError VX_asio_set_sample_rate(ASIOSampleRate rate);
ASIOError VX_asio_get_channel_info(ASIOChannelInfo* info);
ASIOError VX_asio_create_buffers(ASIOBufferInfo* infos, int32_t count, int32_t bufferSize,
                                 ASIOCallbacks* callbacks);
ASIOError VX_asio_dispose_buffers();
