// Shared by the tests that run torv.exe: the shipped module's entry for offline replays, the
// test drivers' recordings, and the commands by name.
#pragma once

#include "asio_run_check.h"
#include "host_process_win32.h"
#include "journal_replay.h"

#include "host/host.h"
#include "rts/asio_fixture_util.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace hostexe {

// torv.dll's VSTPluginMain, loaded once.
inline VstPluginMainProc moduleEntry() {
    static HMODULE module = LoadLibraryA(windowsPath(TORV_DLL).c_str());
    return module ? reinterpret_cast<VstPluginMainProc>(
                        reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")))
                  : nullptr;
}

// The journal of a host that ran only the test drivers, replayed through torv.dll; `types`
// gives each driver index's input sample type.
inline replay::Result replayAsio(const HostProcess& host, const std::vector<long>& types) {
    return replay::run(
        host.journal(),
        moduleEntry(),
        [&](const replay::Stream& s, const replay::Block& b, int32_t input, float* out) {
            const long type = s.driver < types.size() ? types[s.driver] : 18;
            asioInputBlock(type, input, b.block, s.frames, out);
        });
}

constexpr uint32_t driver(int i) {
    return TorvHost::driverCommand + static_cast<uint32_t>(i);
}
constexpr uint32_t mode(int i) {
    return TorvHost::modeCommand + static_cast<uint32_t>(i);
}
constexpr uint32_t route(int i) {
    return TorvHost::routeCommand + static_cast<uint32_t>(i);
}
constexpr uint32_t input(int i) {
    return TorvHost::inputCommand + static_cast<uint32_t>(i);
}
constexpr uint32_t add = TorvHost::addCommand, removeRoute = TorvHost::deleteCommand;

// Reports that arrived since `seen` of them had been read.
inline std::vector<std::string> newReports(const HostProcess& host, size_t& seen) {
    const std::vector<std::string> all = host.reports();
    std::vector<std::string> out(all.begin() + static_cast<long>(std::min(seen, all.size())),
                                 all.end());
    seen = all.size();
    return out;
}

} // namespace hostexe
