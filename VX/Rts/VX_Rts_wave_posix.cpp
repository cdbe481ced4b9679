// Without Windows there are no wave devices: every open fails, so the multimedia backend
// offers no mode. The stop signal and the sleep are real, for the stand-ins of tests.
#include "VX/Rts/VX_Rts_wave.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr uint32_t noDevice = 2; // the multimedia "bad device id"

class NoWave : public VX_Rts_Wave {
public:
    uint32_t inOpen(Handle*, const VX_Rts_Wave_Format&, bool) override { return noDevice; }
    uint32_t inPrepare(Handle, VX_Rts_Wave_Header*) override { return noDevice; }
    uint32_t inAdd(Handle, VX_Rts_Wave_Header*) override { return noDevice; }
    uint32_t inStart(Handle) override { return noDevice; }
    uint32_t inStop(Handle) override { return noDevice; }
    uint32_t inReset(Handle) override { return noDevice; }
    uint32_t inClose(Handle) override { return noDevice; }
    uint32_t outOpen(Handle*, const VX_Rts_Wave_Format&, bool) override { return noDevice; }
    uint32_t outPrepare(Handle, VX_Rts_Wave_Header*) override { return noDevice; }
    uint32_t outWrite(Handle, VX_Rts_Wave_Header*) override { return noDevice; }
    uint32_t outReset(Handle) override { return noDevice; }
    uint32_t outClose(Handle) override { return noDevice; }

    void armSignal() override {
        std::lock_guard<std::mutex> lock(mutex);
        raised = false;
    }
    void raiseSignal() override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            raised = true;
        }
        changed.notify_all();
    }
    bool waitSignal(uint32_t milliseconds) override {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(
            lock, std::chrono::milliseconds(milliseconds), [&] { return raised; });
    }
    void sleep(uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool raised = false;
};

} // namespace

VX_Rts_Wave* VX_rts_system_wave() {
    static NoWave wave;
    return &wave;
}
