// The wave functions of Windows multimedia, the stop signal as an event object.
#include "VX/Rts/VX_Rts_Win32.h"
#include "VX/Rts/VX_Rts_wave.h"

#include <windows.h>

#include <cstddef>
#include <mmsystem.h>

// The backend's header records are the system's.
static_assert(sizeof(VX_Rts_Wave_Header) == sizeof(WAVEHDR));
static_assert(offsetof(VX_Rts_Wave_Header, data) == offsetof(WAVEHDR, lpData));
static_assert(offsetof(VX_Rts_Wave_Header, length) == offsetof(WAVEHDR, dwBufferLength));
static_assert(offsetof(VX_Rts_Wave_Header, recorded) == offsetof(WAVEHDR, dwBytesRecorded));
static_assert(offsetof(VX_Rts_Wave_Header, user) == offsetof(WAVEHDR, dwUser));
static_assert(offsetof(VX_Rts_Wave_Header, flags) == offsetof(WAVEHDR, dwFlags));
static_assert(offsetof(VX_Rts_Wave_Header, loops) == offsetof(WAVEHDR, dwLoops));
static_assert(offsetof(VX_Rts_Wave_Header, next) == offsetof(WAVEHDR, lpNext));
static_assert(VX_WHDR_DONE == WHDR_DONE && VX_WHDR_PREPARED == WHDR_PREPARED &&
              VX_WHDR_BEGINLOOP == WHDR_BEGINLOOP && VX_WHDR_ENDLOOP == WHDR_ENDLOOP &&
              VX_WHDR_INQUEUE == WHDR_INQUEUE);

namespace {

// Device 0, mapped and without format conversion; 0xC when probing, 0x3000C with a routine.
constexpr DWORD probeFlags = WAVE_MAPPED | WAVE_FORMAT_DIRECT;
constexpr DWORD routineFlags = CALLBACK_FUNCTION | probeFlags;

void CALLBACK inputRoutine(HWAVEIN, UINT message, DWORD_PTR, DWORD_PTR header, DWORD_PTR) {
    if (message == WIM_DATA) VX_Rts_Win32::inputDone(reinterpret_cast<VX_Rts_Wave_Header*>(header));
}

void CALLBACK outputRoutine(HWAVEOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

WAVEFORMATEX systemFormat(const VX_Rts_Wave_Format& f) {
    WAVEFORMATEX w{};
    w.wFormatTag = f.tag;
    w.nChannels = f.channels;
    w.nSamplesPerSec = f.rate;
    w.nAvgBytesPerSec = f.bytesPerSecond;
    w.nBlockAlign = f.blockAlign;
    w.wBitsPerSample = f.bits;
    w.cbSize = f.extraSize;
    return w;
}

WAVEHDR* systemHeader(VX_Rts_Wave_Header* h) {
    return reinterpret_cast<WAVEHDR*>(h);
}

HWAVEIN in(VX_Rts_Wave::Handle h) {
    return static_cast<HWAVEIN>(h);
}

HWAVEOUT out(VX_Rts_Wave::Handle h) {
    return static_cast<HWAVEOUT>(h);
}

class SystemWave : public VX_Rts_Wave {
public:
    SystemWave() : signal(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

    uint32_t inOpen(Handle* device, const VX_Rts_Wave_Format& format, bool completion) override {
        WAVEFORMATEX w = systemFormat(format);
        HWAVEIN h = nullptr;
        const MMRESULT r =
            completion
                ? waveInOpen(&h, 0, &w, reinterpret_cast<DWORD_PTR>(&inputRoutine), 0, routineFlags)
                : waveInOpen(&h, 0, &w, 0, 0, probeFlags);
        *device = r == MMSYSERR_NOERROR ? h : nullptr;
        return r;
    }
    uint32_t inPrepare(Handle d, VX_Rts_Wave_Header* h) override {
        return waveInPrepareHeader(in(d), systemHeader(h), sizeof(WAVEHDR));
    }
    uint32_t inAdd(Handle d, VX_Rts_Wave_Header* h) override {
        return waveInAddBuffer(in(d), systemHeader(h), sizeof(WAVEHDR));
    }
    uint32_t inStart(Handle d) override { return waveInStart(in(d)); }
    uint32_t inStop(Handle d) override { return waveInStop(in(d)); }
    uint32_t inReset(Handle d) override { return waveInReset(in(d)); }
    uint32_t inClose(Handle d) override { return waveInClose(in(d)); }

    uint32_t outOpen(Handle* device, const VX_Rts_Wave_Format& format, bool completion) override {
        WAVEFORMATEX w = systemFormat(format);
        HWAVEOUT h = nullptr;
        const MMRESULT r =
            completion
                ? waveOutOpen(
                      &h, 0, &w, reinterpret_cast<DWORD_PTR>(&outputRoutine), 0, routineFlags)
                : waveOutOpen(&h, 0, &w, 0, 0, probeFlags);
        *device = r == MMSYSERR_NOERROR ? h : nullptr;
        return r;
    }
    uint32_t outPrepare(Handle d, VX_Rts_Wave_Header* h) override {
        return waveOutPrepareHeader(out(d), systemHeader(h), sizeof(WAVEHDR));
    }
    uint32_t outWrite(Handle d, VX_Rts_Wave_Header* h) override {
        return waveOutWrite(out(d), systemHeader(h), sizeof(WAVEHDR));
    }
    uint32_t outReset(Handle d) override { return waveOutReset(out(d)); }
    uint32_t outClose(Handle d) override { return waveOutClose(out(d)); }

    void armSignal() override { ResetEvent(signal); }
    void raiseSignal() override { SetEvent(signal); }
    bool waitSignal(uint32_t milliseconds) override {
        return WaitForSingleObject(signal, milliseconds) == WAIT_OBJECT_0;
    }
    void sleep(uint32_t milliseconds) override { Sleep(milliseconds); }

private:
    HANDLE signal;
};

} // namespace

VX_Rts_Wave* VX_rts_system_wave() {
    static SystemWave wave;
    return &wave;
}
