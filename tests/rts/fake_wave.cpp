#include "rts/fake_wave.h"

// The runtime's parts behind its seams (drivers, calls, backends), tested directly.
#include "VX/Rts/VX_Rts_Win32.h"

namespace {
constexpr uint32_t failed = 1; // the multimedia "unspecified error"
}

uint32_t FakeWave::call(const char* name) {
    std::lock_guard<std::recursive_mutex> hold(lock);
    log.push_back(name);
    auto f = failures.find(name);
    if (f == failures.end() || f->second == 0) return 0;
    if (f->second > 0) --f->second;
    return failed;
}

int FakeWave::count(const std::string& name) const {
    int n = 0;
    for (const std::string& c : log) n += c == name;
    return n;
}

uint32_t FakeWave::open(bool input, Handle* device, const VX_Rts_Wave_Format& format,
                        bool completion) {
    if (uint32_t r = call(input ? "inOpen" : "outOpen")) return r;
    if (accepts && !accepts(input, format)) return failed;
    opened.push_back(format);
    openedWithRoutine.push_back(completion);
    *device = input ? static_cast<void*>(&inHandle) : static_cast<void*>(&outHandle);
    return 0;
}

uint32_t FakeWave::inOpen(Handle* device, const VX_Rts_Wave_Format& format, bool completion) {
    return open(true, device, format, completion);
}

uint32_t FakeWave::outOpen(Handle* device, const VX_Rts_Wave_Format& format, bool completion) {
    return open(false, device, format, completion);
}

uint32_t FakeWave::inPrepare(Handle, VX_Rts_Wave_Header* h) {
    if (uint32_t r = call("inPrepare")) return r;
    h->flags |= VX_WHDR_PREPARED;
    return 0;
}

uint32_t FakeWave::inAdd(Handle, VX_Rts_Wave_Header* h) {
    if (uint32_t r = call("inAdd")) return r;
    std::lock_guard<std::recursive_mutex> hold(lock);
    h->flags = (h->flags & ~VX_WHDR_DONE) | VX_WHDR_INQUEUE;
    inQueue.push_back(h);
    return 0;
}

uint32_t FakeWave::inStart(Handle) {
    return call("inStart");
}

uint32_t FakeWave::inStop(Handle) {
    return call("inStop");
}

uint32_t FakeWave::inReset(Handle) {
    if (uint32_t r = call("inReset")) return r;
    std::lock_guard<std::recursive_mutex> hold(lock);
    for (VX_Rts_Wave_Header* h : inQueue) h->flags = (h->flags & ~VX_WHDR_INQUEUE) | VX_WHDR_DONE;
    inQueue.clear();
    return 0;
}

uint32_t FakeWave::inClose(Handle) {
    return call("inClose");
}

uint32_t FakeWave::outPrepare(Handle, VX_Rts_Wave_Header* h) {
    if (uint32_t r = call("outPrepare")) return r;
    h->flags |= VX_WHDR_PREPARED;
    return 0;
}

uint32_t FakeWave::outWrite(Handle, VX_Rts_Wave_Header* h) {
    if (uint32_t r = call("outWrite")) return r;
    std::lock_guard<std::recursive_mutex> hold(lock);
    h->flags = (h->flags & ~VX_WHDR_DONE) | VX_WHDR_INQUEUE;
    written.push_back(h);
    return 0;
}

uint32_t FakeWave::outReset(Handle) {
    return call("outReset");
}

uint32_t FakeWave::outClose(Handle) {
    return call("outClose");
}

bool FakeWave::returnInput() {
    VX_Rts_Wave_Header* h;
    {
        std::lock_guard<std::recursive_mutex> hold(lock);
        if (inQueue.empty()) return false;
        h = inQueue.front();
        inQueue.pop_front();
        h->flags = (h->flags & ~VX_WHDR_INQUEUE) | VX_WHDR_DONE;
        h->recorded = h->length;
    }
    VX_Rts_Win32::inputDone(h);
    return true;
}

bool FakeWave::finishOutput() {
    std::lock_guard<std::recursive_mutex> hold(lock);
    for (VX_Rts_Wave_Header* h : written)
        if (!(h->flags & VX_WHDR_DONE)) {
            h->flags = (h->flags & ~VX_WHDR_INQUEUE) | VX_WHDR_DONE;
            return true;
        }
    return false;
}

void FakeWave::armSignal() {
    std::lock_guard<std::recursive_mutex> hold(lock);
    log.push_back("armSignal");
    signalRaised = false;
}

void FakeWave::raiseSignal() {
    std::lock_guard<std::recursive_mutex> hold(lock);
    log.push_back("raiseSignal");
    signalRaised = true;
}

// The device goes on returning what was queued while the backend waits.
bool FakeWave::waitSignal(uint32_t milliseconds) {
    {
        std::lock_guard<std::recursive_mutex> hold(lock);
        log.push_back("waitSignal");
    }
    for (int i = 0; i < returnedWhileWaiting && !signalRaised; ++i)
        if (!returnInput()) break;
    if (!signalRaised) clockMs += milliseconds;
    return signalRaised;
}

void FakeWave::sleep(uint32_t milliseconds) {
    std::lock_guard<std::recursive_mutex> hold(lock);
    log.push_back("sleep " + std::to_string(milliseconds));
    clockMs += milliseconds;
}
