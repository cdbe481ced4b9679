// The Windows multimedia wave functions as the multimedia backend uses them. On Windows they
// are the real ones (VX_Rts_wave_win32.cpp); elsewhere a stand-in without devices
// (VX_Rts_wave_posix.cpp); tests put in their own devices and clock.
#pragma once

#include <cstdint>

// The descriptor a device is opened with (the fields of WAVEFORMATEX).
struct VX_Rts_Wave_Format {
    uint16_t tag = 1; // PCM, for every width
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint32_t bytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint16_t extraSize = 0;
};

// A buffer header, laid out exactly as WAVEHDR (32 bytes on 32-bit Windows, 48 on x64), so
// that the system reads and writes these very records.
struct VX_Rts_Wave_Header {
    char* data;
    uint32_t length;
    uint32_t recorded;
    uintptr_t user;
    uint32_t flags;
    uint32_t loops;
    VX_Rts_Wave_Header* next;
    uintptr_t reserved;
};

enum : uint32_t {
    VX_WHDR_DONE = 0x01,
    VX_WHDR_PREPARED = 0x02,
    VX_WHDR_BEGINLOOP = 0x04,
    VX_WHDR_ENDLOOP = 0x08,
    VX_WHDR_INQUEUE = 0x10,
};

class VX_Rts_Wave {
public:
    using Handle = void*;
    virtual ~VX_Rts_Wave() = default;

    // Device 0 of each direction, opened mapped and direct (no format conversion). With
    // `completion` the input device reports returned buffers to VX_Rts_Win32::inputDone and the
    // output device to a routine that does nothing; without, nothing is reported (probing).
    // Each call returns the system's result, 0 on success.
    virtual uint32_t inOpen(Handle* device, const VX_Rts_Wave_Format& format, bool completion) = 0;
    virtual uint32_t inPrepare(Handle device, VX_Rts_Wave_Header* header) = 0;
    virtual uint32_t inAdd(Handle device, VX_Rts_Wave_Header* header) = 0;
    virtual uint32_t inStart(Handle device) = 0;
    virtual uint32_t inStop(Handle device) = 0;
    virtual uint32_t inReset(Handle device) = 0; // returns every queued buffer
    virtual uint32_t inClose(Handle device) = 0;
    virtual uint32_t outOpen(Handle* device, const VX_Rts_Wave_Format& format, bool completion) = 0;
    virtual uint32_t outPrepare(Handle device, VX_Rts_Wave_Header* header) = 0;
    virtual uint32_t outWrite(Handle device, VX_Rts_Wave_Header* header) = 0;
    virtual uint32_t outReset(Handle device) = 0;
    virtual uint32_t outClose(Handle device) = 0;

    // The stop signal: armed by the user interface thread, raised by the completion routine
    // from another thread, waited for with a time limit (true when it came).
    virtual void armSignal() = 0;
    virtual void raiseSignal() = 0;
    virtual bool waitSignal(uint32_t milliseconds) = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
};

// The platform's wave functions (one object for the process).
VX_Rts_Wave* VX_rts_system_wave();
