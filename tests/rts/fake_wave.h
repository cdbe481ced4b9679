// Wave devices for the multimedia backend's tests: formats accepted by a rule, failures
// injected per call, a log of the calls, input buffers returned when the test says so (as the
// system's thread would), and a clock that sleeps and waits advance without waiting.
#pragma once

// Stands in for the wave-function seam: the runtime's own declarations of it.
#include "VX/Rts/VX_Rts_wave.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class FakeWave : public VX_Rts_Wave {
public:
    // Which formats the devices accept (probing and opening alike); all by default.
    std::function<bool(bool input, const VX_Rts_Wave_Format&)> accepts;
    // Calls named here fail this many times (e.g. {"inStop", 3}); -1: always.
    std::map<std::string, int> failures;
    // Input buffers the device returns by itself while the backend waits for the stop signal.
    int returnedWhileWaiting = 8;

    std::vector<std::string> log;             // every call, by name
    std::vector<VX_Rts_Wave_Format> opened;   // formats of successful opens, in order
    std::vector<bool> openedWithRoutine;      // whether each open named a routine
    std::deque<VX_Rts_Wave_Header*> inQueue;  // added, not yet returned
    std::vector<VX_Rts_Wave_Header*> written; // output headers in the order written
    long long clockMs = 0;                    // advanced by sleep and by waits that time out
    std::atomic<bool> signalRaised{false};

    // Returns the oldest queued input buffer as full and calls the completion routine.
    bool returnInput();
    // The output device is done with the oldest written buffer that is not yet done.
    bool finishOutput();
    int count(const std::string& call) const;

    uint32_t inOpen(Handle* device, const VX_Rts_Wave_Format& format, bool completion) override;
    uint32_t inPrepare(Handle device, VX_Rts_Wave_Header* header) override;
    uint32_t inAdd(Handle device, VX_Rts_Wave_Header* header) override;
    uint32_t inStart(Handle device) override;
    uint32_t inStop(Handle device) override;
    uint32_t inReset(Handle device) override;
    uint32_t inClose(Handle device) override;
    uint32_t outOpen(Handle* device, const VX_Rts_Wave_Format& format, bool completion) override;
    uint32_t outPrepare(Handle device, VX_Rts_Wave_Header* header) override;
    uint32_t outWrite(Handle device, VX_Rts_Wave_Header* header) override;
    uint32_t outReset(Handle device) override;
    uint32_t outClose(Handle device) override;
    void armSignal() override;
    void raiseSignal() override;
    bool waitSignal(uint32_t milliseconds) override;
    void sleep(uint32_t milliseconds) override;

    std::recursive_mutex lock; // for tests whose device runs on a thread of its own

private:
    uint32_t call(const char* name);
    uint32_t open(bool input, Handle* device, const VX_Rts_Wave_Format& format, bool completion);
    int inHandle = 0, outHandle = 0; // what the handles point at
};
